#include "recording/ready_encoder.h"

#include "recording/capture_part.h"
#include "recording/crash_finish.h"
#include "encoder/tool.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/sound_stream.h"
#include "util/debug_log.h"

namespace recording {

namespace {

std::size_t soundPipesOf(const RecordSources& sources)
{
    return sources.audioMode == AudioComputerSoundAndMic ? 2 : sources.audioMode >= 0 ? 1 : 0;
}

} // namespace

std::string ReadyCommandFor(const RecordSettings& settings, const std::string& quotedTool,
                            const takes::TakeFiles& files)
{
    const platform::Desktop desktop = platform::currentDesktop();
    // Only this program's own grab feeds the pictures through a pipe the
    // encoder can wait on, and only sound through pipes keeps the press's
    // instant out of the command.
    if (desktop.grab != platform::DesktopGrab::X11 || !RecordSourcesComplete(settings.sources)
        || (settings.sources.audioMode >= 0 && !platform::soundStreamsAvailable()))
        return {};
    const platform::ScreenArea part = AreaToRecord(settings.part, desktop.width, desktop.height);
    const std::string args =
        BuildFramePipeRecordArgs(settings.sources, part.width, part.height, 0, settings.sources.audioMode >= 0);
    return BuildTakeCommandLine(quotedTool, args, settings.sources, files);
}

std::unique_ptr<ReadyEncoder> ReadyEncoder::Make(const RecordSettings& settings)
{
    std::unique_ptr<ReadyEncoder> ready(new ReadyEncoder);
    ready->folder_ = platform::makePrivateFolder(kReadyFolderPrefix);
    if (ready->folder_.empty())
        return nullptr;
    ready->files_ = takes::TakeFilesOf(ready->folder_ + platform::separator() + "take.mp4");
    const std::string command = ReadyCommandFor(settings, encoder::PrepareTool(), ready->files_);
    if (command.empty()
        || !ready->encoder_.start(command, soundPipesOf(settings.sources),
                                  TakeFinisherCommand(settings.takeFinisher, ready->files_.working)))
        return nullptr;
    return ready;
}

ReadyEncoder::~ReadyEncoder() { release(); }

bool ReadyEncoder::fits(const RecordSettings& settings)
{
    return !led_ && encoder_.running()
        && encoder_.commandLine() == ReadyCommandFor(settings, encoder::PrepareTool(), files_);
}

capture::PipedEncoder* ReadyEncoder::takeFor(const std::string& commandLine, const takes::TakeFiles& take)
{
    if (led_ || commandLine != encoder_.commandLine() || !encoder_.running())
        return nullptr;
    // A link's relative target would be taken from the link's own folder.
    const auto absolute = [](const std::string& path) { return !path.empty() && path[0] == platform::separator(); };
    if (!absolute(take.working) || !absolute(take.workingMp4))
        return nullptr;
    led_ = true;
    if (!platform::makeLink(take.working, files_.working) || !platform::makeLink(take.workingMp4, files_.workingMp4)) {
        util::DebugLog("start: the ready encoder's links could not be made in " + folder_);
        return nullptr;
    }
    taken_ = true;
    return &encoder_;
}

void ReadyEncoder::release()
{
    if (folder_.empty())
        return;
    platform::removeFile(files_.working);
    platform::removeFile(files_.workingMp4);
    platform::removeEmptyFolder(folder_);
    folder_.clear();
}

} // namespace recording
