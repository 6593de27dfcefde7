#include "encoder/record_run.h"

#include "encoder/runner.h"
#include "encoder/tool.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "util/debug_log.h"
#include "util/files.h"

#include <mutex>

std::atomic<bool> g_recording{false};
std::atomic<unsigned> g_recordingRun{0};

namespace {

std::mutex g_outputMutex;
std::string g_outputPath;

void setCurrentOutputPath(const std::string& path)
{
    std::lock_guard lock(g_outputMutex);
    g_outputPath = path;
}

} // namespace

std::string CurrentOutputPath()
{
    std::lock_guard lock(g_outputMutex);
    return g_outputPath;
}

int RecordRun(const RecordSettings& settings)
{
    const std::string quotedTool = PrepareTool();
    platform::Desktop desktop = platform::currentDesktop();
    if (desktop.grab == platform::DesktopGrab::PipeWire) {
        if (!settings.screenCast)
            return PipeWireNotStarted;
        desktop.width = settings.screenCast->width;
        desktop.height = settings.screenCast->height;
    }
    const std::string args = BuildRecordArgs(settings.sources, desktop, platform::wallClockMicros());

    const std::string folder = settings.saveFolder + platform::separator();
    if (!platform::fileExists(folder))
        platform::makeFolder(folder);

    std::string path = folder + RecordFileStem(platform::localTime()) + ".mp4";
    if (platform::fileExists(path)) {
        std::string unique;
        if (MakeUniqueFileName(path, unique) == 0)
            path = unique;
    }
    // A screen cast names its file once the first frame has come: until
    // then the window must not take the missing file for a sound device that
    // failed (the desktop may still be asking the user which screen to share).
    const bool cast = desktop.grab == platform::DesktopGrab::PipeWire;
    if (!cast)
        setCurrentOutputPath(path);

    const std::string commandLine = BuildRecordCommandLine(quotedTool, args, path);
    DebugLog(commandLine);
    if (!RecordSourcesComplete(settings.sources)) {
        setCurrentOutputPath(path);
        return 0;
    }
    const unsigned run = settings.run;
    const StopTest stop = [run] { return !g_recording.load() || g_recordingRun.load() != run; };
    if (cast) {
        const std::string capture = BuildPipeWireCaptureCommand("gst-launch-1.0", *settings.screenCast, kPipeWireFps);
        DebugLog(capture);
        const int status = RunPipeWireRecord(capture, commandLine, path, settings.screenCast->remoteFd, stop, nullptr,
                                             [&path] { setCurrentOutputPath(path); });
        // As on X11, the missing file makes the window record without sound.
        if (status == PipeWireEncoderFailed)
            setCurrentOutputPath(path);
        return status;
    }
    RunTool(commandLine, {}, stop);
    return 0;
}
