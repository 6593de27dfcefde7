#include "encoder/stream_ops.h"

#include "encoder/runner.h"
#include "encoder/tool.h"
#include "platform/files.h"
#include "util/debug_log.h"
#include "util/files.h"

#include <cstring>

std::atomic<bool> g_stopJob{false};

namespace {

// More than any description of one file takes.
constexpr std::size_t kDescriptionMax = 256 * 1024;

bool contains(const char* chunk, const char* marker)
{
    return std::strstr(chunk, marker) != nullptr;
}

// The first free name when `path` is taken.
std::string freeName(const std::string& path)
{
    if (!platform::fileExists(path))
        return path;
    std::string unique;
    return MakeUniqueFileName(path, unique) == 0 ? unique : path;
}

// One stream-copy run of a job: "Invalid data" ends it, each chunk with a
// status line calls `onFrame` with the status so far, and a set g_stopJob
// makes it ask the encoder to finish.
int runJobStep(const std::string& commandLine, int status, const std::function<void(int)>& onFrame)
{
    DebugLog(commandLine);
    int soFar = status;
    int exitCode = -1;
    const int ran = RunTool(
        commandLine,
        [&](const char* chunk, std::size_t) {
            if (contains(chunk, "Invalid data"))
                return true;
            if (contains(chunk, "frame="))
                onFrame(soFar);
            return false;
        },
        [&] {
            if (!g_stopJob.load())
                return false;
            soFar = RunStopRequested;
            return true;
        },
        &exitCode);
    if (ran != RunEnded)
        return ran;
    // The encoder says why it failed in words that differ from case to case
    // (a missing file, a full disk); its exit code says that it failed.
    if (exitCode != 0)
        return RunInvalidData;
    return status;
}

// True when the encoder describes at least one stream in `path`: a cut whose
// length is zero or less, or that starts past the end, comes out as an MP4
// without any.
bool hasStreams(const std::string& path)
{
    // Read whole, not chunk by chunk: a marker split between two chunks
    // would make a good cut look empty, and the cut would be thrown away.
    std::string description;
    RunTool(BuildProbeCommandLine(PrepareTool(), path), [&](const char* chunk, std::size_t size) {
        if (description.size() < kDescriptionMax)
            description.append(chunk, size);
        return false;
    });
    return description.find("Stream #") != std::string::npos;
}

} // namespace

std::string ProbeDuration(const std::string& path)
{
    // The description comes in several writes and the marker may fall
    // across two chunks: it is looked for in all that has come so far.
    std::string description;
    RunTool(BuildProbeCommandLine(PrepareTool(), path), [&](const char* chunk, std::size_t size) {
        if (contains(chunk, "Invalid data"))
            return true;
        if (description.size() < kDescriptionMax)
            description.append(chunk, size);
        return false;
    });
    return DurationIn(description);
}

int CutStretch(const std::string& outputFolder, const CutJob& job, const JobNotify& notify)
{
    const std::string output = freeName(CutOutputPath(outputFolder, job.source, platform::separator()));
    const std::string commandLine = BuildCutCommandLine(PrepareTool(), job.source, job.startMark,
                                                        job.endMark - job.startMark, output);
    int status = runJobStep(commandLine, RunEnded, [&](int soFar) { notify(5, job.source, output, soFar); });
    if (status == RunEnded && !hasStreams(output))
        status = RunInvalidData;
    if (status != RunEnded)
        platform::removeFile(output); // a partial or empty file is no cut
    notify(100, job.source, output, status);
    return status;
}

int ConvertToTs(const std::string& tsPath, const std::string& inputPath, const std::string& targetPath,
                MergeProgress& progress, const JobNotify& notify, std::string* writtenPath)
{
    const std::string ts = freeName(tsPath);
    if (writtenPath)
        *writtenPath = ts;
    return runJobStep(BuildConvertToTsCommandLine(PrepareTool(), inputPath, ts), RunEnded,
                      [&](int soFar) { notify(progress.advance(), inputPath, targetPath, soFar); });
}

int MergeFiles(const std::string& outputFolder, const MergeJob& job, MergeProgress& progress,
               const JobNotify& notify)
{
    const char sep = platform::separator();
    const std::string target = freeName(MergeOutputPath(outputFolder, platform::localTime(), sep));
    progress.reset(job.names.size());

    std::string joinList;
    std::vector<std::string> temporaries;
    int status = RunEnded;
    for (std::size_t k = 1; k <= job.names.size(); ++k) {
        const std::string input = job.folder + sep + job.names[k - 1];
        const std::string ts = outputFolder + sep + std::to_string(k) + ".ts";
        platform::removeFile(ts); // left over from an earlier merge
        std::string written;
        status = ConvertToTs(ts, input, target, progress, notify, &written);
        // Joined from where it was really written: a leftover that could not
        // be removed must not stand in for this file.
        joinList += written + "|";
        temporaries.push_back(written);
        if (status == RunStopRequested)
            break;
    }
    if (status != RunStopRequested) {
        status = runJobStep(BuildJoinCommandLine(PrepareTool(), joinList, target), status,
                            [&](int soFar) { notify(progress.advance(), target, target, soFar); });
    }

    for (const std::string& ts : temporaries)
        platform::removeFile(ts);
    if (status != RunEnded)
        platform::removeFile(target);
    notify(100, target, target, status);
    return status;
}
