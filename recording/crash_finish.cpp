#include "recording/crash_finish.h"

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

int FinishTakeAfterCrash(const std::string& working)
{
    encoder::EnsureToolFolder();
    const auto take = takes::FinishLeftTake(working);
    return !take || take->end == takes::TakeEnd::KeptWorking || take->end == takes::TakeEnd::LeftAlone ? 1 : 0;
}

} // namespace recording
