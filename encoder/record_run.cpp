#include "encoder/record_run.h"

#include "encoder/frame_pipe_record.h"
#include "encoder/runner.h"
#include "encoder/take_finish.h"
#include "encoder/take_flusher.h"
#include "encoder/tool.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/screen_grab.h"
#include "util/capture_choice.h"
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

// "<stem>.mp4", or "<stem>(n).mp4" with the first n for which neither the
// recording nor its working files exist.
TakeFiles freeTake(const std::string& stem)
{
    TakeFiles files = TakeFilesOf(stem + ".mp4");
    const auto taken = [](const TakeFiles& f) {
        return platform::fileExists(f.recording) || platform::fileExists(f.working)
            || platform::fileExists(f.workingMp4);
    };
    for (int n = 1; taken(files) && n < 10000; ++n)
        files = TakeFilesOf(stem + "(" + std::to_string(n) + ").mp4");
    return files;
}

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

int RecordRun(const RecordSettings& settings, const RunStop& stop, FinishedTake* finished)
{
    const std::string quotedTool = PrepareTool();
    platform::Desktop desktop = platform::currentDesktop();
    const bool cast = desktop.grab == platform::DesktopGrab::PipeWire;
    if (cast) {
        if (!settings.screenCast)
            return FramePipeNotStarted;
        desktop.width = settings.screenCast->width;
        desktop.height = settings.screenCast->height;
    }
    const std::int64_t origin = platform::wallClockMicros();
    // An X screen is grabbed by this program where it can be: its own copy
    // and conversion cost a fraction of the encoder's. Elsewhere (a remote
    // display, 16-bit pixels) the encoder grabs it as before.
    // An even size, as H.264 in 4:2:0 needs: an odd desktop loses its last
    // column or row. A part that is off the desktop records all of it.
    const platform::ScreenArea whole{0, 0, desktop.width & ~1, desktop.height & ~1};
    const platform::ScreenArea part = settings.part
        ? RecordedArea(*settings.part, desktop.width, desktop.height).value_or(whole)
        : whole;
    const bool partial = part.x != whole.x || part.y != whole.y || part.width != whole.width
        || part.height != whole.height;
    std::unique_ptr<FrameSource> grab;
    if (desktop.grab == platform::DesktopGrab::X11)
        grab = MakeGrabFrameSource(platform::openScreenGrab(desktop.display, part));
    const FramePipeFormat format{part.width, part.height, kRecordFps, origin};
    const std::string args = grab || cast
        ? BuildFramePipeRecordArgs(settings.sources, format.width, format.height, origin)
        : BuildRecordArgs(settings.sources, desktop, origin, partial ? &part : nullptr);

    const std::string folder = settings.saveFolder + platform::separator();
    if (!platform::fileExists(folder))
        platform::makeFolder(folder);
    const TakeFiles files = freeTake(folder + RecordFileStem(platform::localTime()));
    const std::string& path = files.working;
    // A screen cast names its file once the first frame has come: until
    // then the window must not take the missing file for a sound device that
    // failed (the desktop may still be asking the user which screen to share).
    if (!cast)
        setCurrentOutputPath(path);

    const std::string commandLine = BuildTakeCommandLine(quotedTool, args, settings.sources, files);
    DebugLog(commandLine);
    if (!RecordSourcesComplete(settings.sources)) {
        setCurrentOutputPath(path);
        return 0;
    }
    LastLine last;
    const auto output = [&last](const char* chunk, std::size_t size) { last.add(chunk, size); };
    int status = 0;
    {
        const TakeFlusher flusher(files);
        const std::vector<std::string> outputs{files.working, files.workingMp4};
        if (cast) {
            const std::string capture = BuildPipeWireCaptureCommand("gst-launch-1.0", *settings.screenCast);
            DebugLog(capture);
            auto source = StartPipeWireFrameSource(capture, *settings.screenCast);
            if (partial)
                source = CropFrames(std::move(source), part);
            if (!source)
                return FramePipeNotStarted;
            FramePipeHooks hooks;
            hooks.firstFrame = [&path] { setCurrentOutputPath(path); };
            hooks.output = output;
            status = RunFramePipeRecord(*source, format, commandLine, outputs, stop, hooks);
            // As on X11, the missing file makes the window record without sound.
            if (status == FramePipeEncoderFailed)
                setCurrentOutputPath(path);
        } else if (grab) {
            FramePipeHooks hooks;
            hooks.output = output;
            RunFramePipeRecord(*grab, format, commandLine, outputs, stop, hooks);
        } else {
            RunTool(
                commandLine,
                [&output](const char* chunk, std::size_t size) {
                    output(chunk, size);
                    return false;
                },
                stop);
        }
    }
    // A run that made no file (a sound device that failed) leaves nothing
    // to finish, and the window sees no file.
    if (platform::fileExists(files.working) || platform::fileExists(files.workingMp4)) {
        const FinishedTake take = FinishTake(files);
        if (take.end != TakeEnd::Empty)
            setCurrentOutputPath(take.path);
        if (finished)
            *finished = take;
    }
    return status;
}
