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

void RecordRun(const RecordSettings& settings)
{
    const std::string quotedTool = PrepareTool();
    const std::string args =
        BuildRecordArgs(settings.sources, platform::currentDesktop(), platform::wallClockMicros());

    const std::string folder = settings.saveFolder + platform::separator();
    if (!platform::fileExists(folder))
        platform::makeFolder(folder);

    std::string path = folder + RecordFileStem(platform::localTime()) + ".mp4";
    if (platform::fileExists(path)) {
        std::string unique;
        if (MakeUniqueFileName(path, unique) == 0)
            path = unique;
    }
    setCurrentOutputPath(path);

    const std::string commandLine = BuildRecordCommandLine(quotedTool, args, path);
    DebugLog(commandLine);
    if (!RecordSourcesComplete(settings.sources))
        return;
    const unsigned run = settings.run;
    RunTool(commandLine, {}, [run] { return !g_recording.load() || g_recordingRun.load() != run; });
}
