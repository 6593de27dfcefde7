#include "encoder/record_run.h"

#include "encoder/runner.h"
#include "encoder/tool.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "util/debug_log.h"
#include "util/files.h"

#include <mutex>

namespace {

std::mutex g_outputMutex;
std::string g_outputPath;
std::string g_lastLine;

void setCurrentOutputPath(const std::string& path)
{
    std::lock_guard lock(g_outputMutex);
    g_outputPath = path;
    g_lastLine.clear();
}

// Keeps the last complete, non-blank line of the encoder's output.
class LastLine {
public:
    void add(const char* chunk, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i) {
            const char c = chunk[i];
            if (c == '\n' || c == '\r') {
                if (!pending_.empty()) {
                    std::lock_guard lock(g_outputMutex);
                    g_lastLine = pending_;
                }
                pending_.clear();
            } else if (pending_.size() < 1000) {
                pending_ += c;
            }
        }
    }

private:
    std::string pending_;
};

} // namespace

std::string CurrentOutputPath()
{
    std::lock_guard lock(g_outputMutex);
    return g_outputPath;
}

std::string LastEncoderLine()
{
    std::lock_guard lock(g_outputMutex);
    return g_lastLine;
}

int RecordRun(const RecordSettings& settings, const RunStop& stop)
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
    LastLine last;
    RunTool(
        commandLine,
        [&last](const char* chunk, std::size_t size) {
            last.add(chunk, size);
            return false;
        },
        stop);
    return 0;
}
