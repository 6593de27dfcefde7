#include "recording/crash_finish.h"

#include "recording/ready_encoder.h"

#include "encoder/tool.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "takes/take_finish.h"

namespace recording {

std::string InstalledTakeFinisher()
{
    const std::string helper = platform::programFolder() + platform::separator() + kTakeFinisherName;
    return platform::fileExists(helper) ? platform::quoteArgument(helper) : std::string();
}

std::string TakeFinisherCommand(const std::string& helper, const std::string& working)
{
    return helper.empty() ? std::string() : helper + " " + platform::quoteArgument(working);
}

int FinishTakeAfterCrash(const std::string& named)
{
    // An encoder made ready ahead wrote through links of its private
    // folder: the take is where they lead, and the links and the folder go.
    std::string working = named;
    const std::size_t cut = named.rfind(platform::separator());
    const std::string folder = cut == std::string::npos ? std::string() : named.substr(0, cut);
    const std::string folderName = folder.substr(folder.rfind(platform::separator()) + 1);
    if (folderName.rfind(kReadyFolderPrefix, 0) == 0) {
        working = platform::linkTarget(named);
        if (const auto links = takes::TakeOfWorkingFile(named)) {
            platform::removeFile(links->working);
            platform::removeFile(links->workingMp4);
        }
        platform::removeEmptyFolder(folder);
        if (working.empty()) // it died before a press: there is no take
            return 0;
    }
    encoder::EnsureToolFolder();
    const auto take = takes::FinishLeftTake(working);
    return !take || take->end == takes::TakeEnd::KeptWorking || take->end == takes::TakeEnd::LeftAlone ? 1 : 0;
}

} // namespace recording
