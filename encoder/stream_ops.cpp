#include "encoder/stream_ops.h"

#include "encoder/output_tail.h"
#include "encoder/runner.h"
#include "encoder/tool.h"
#include "platform/files.h"
#include "util/debug_log.h"
#include "util/files.h"

#include <cstring>

namespace {

// More than any description of one file takes.
constexpr std::size_t kDescriptionMax = 256 * 1024;

bool contains(const char* chunk, const char* marker) { return std::strstr(chunk, marker) != nullptr; }

// The first free name when `path` is taken.
std::string freeName(const std::string& path)
{
    if (!platform::fileExists(path))
        return path;
    std::string unique;
    return MakeUniqueFileName(path, unique) == 0 ? unique : path;
}

// One stream-copy run of a job: "Invalid data" ends it, each chunk with a
// status line calls `onFrame` with the status so far, and a stop makes it
// ask the encoder to finish, ending one that ignores it. `why` gets the
// encoder's most telling line, also after a run that looked clean (a cut
// that came out empty).
int runJobStep(const std::string& commandLine, const std::function<void(int)>& onFrame, std::string* why,
               const std::stop_token& stop)
{
    DebugLog(commandLine);
    int soFar = RunEnded;
    int exitCode = -1;
    OutputTail tail;
    const int ran = RunTool(
        commandLine,
        [&](const char* chunk, std::size_t size) {
            tail.add(chunk, size);
            if (contains(chunk, "Invalid data"))
                return true;
            if (stop.stop_requested())
                soFar = RunStopRequested;
            if (contains(chunk, "frame="))
                onFrame(soFar);
            return false;
        },
        RunStop::escalating(stop), &exitCode);
    // The encoder says why it failed in words that differ from case to case
    // (a missing file, a full disk); its exit code says that it failed.
    const int status = ran == RunEnded && exitCode != 0 ? RunInvalidData : ran;
    if (why)
        *why = status == RunStopRequested || status == RunForcedEnd ? std::string() : tail.tellingLine();
    return status;
}

// A new folder beside `target` for a merge's temporaries, so that no file of
// the user's can be taken for one of them; empty when none can be made.
std::string makePartsFolder(const std::string& target)
{
    const std::string stem = target.substr(0, target.rfind('.'));
    for (int k = 0; k < 100; ++k) {
        const std::string folder = stem + (k == 0 ? std::string() : "(" + std::to_string(k) + ")") + ".parts";
        if (platform::makeFolder(folder))
            return folder;
        if (!platform::fileExists(folder))
            break; // not a clash of names: the folder cannot be written
    }
    return {};
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

int CutStretch(const std::string& outputFolder, const CutJob& job, const JobNotify& notify, std::string* why,
               std::stop_token stop)
{
    const std::string output = freeName(CutOutputPath(outputFolder, job.source, platform::separator()));
    const std::string commandLine =
        BuildCutCommandLine(PrepareTool(), job.source, job.startMark, job.endMark - job.startMark, output);
    std::string failure;
    int status = runJobStep(
        commandLine, [&](int soFar) { notify(5, job.source, output, soFar); }, &failure, stop);
    if (status == RunEnded && !hasStreams(output))
        status = RunInvalidData;
    if (why)
        *why = status == RunInvalidData ? failure : std::string();
    if (status != RunEnded)
        platform::removeFile(output); // a partial or empty file is no cut
    notify(100, job.source, output, status);
    return status;
}

int ConvertToTs(const std::string& tsPath, const std::string& inputPath, const std::string& targetPath,
                MergeProgress& progress, const JobNotify& notify, std::string* writtenPath, std::string* why,
                std::stop_token stop)
{
    const std::string ts = freeName(tsPath);
    if (writtenPath)
        *writtenPath = ts;
    return runJobStep(
        BuildConvertToTsCommandLine(PrepareTool(), inputPath, ts),
        [&](int soFar) { notify(progress.advance(), inputPath, targetPath, soFar); }, why, stop);
}

int MergeFiles(const std::string& outputFolder, const MergeJob& job, MergeProgress& progress, const JobNotify& notify,
               std::string* why, std::stop_token stop)
{
    const char sep = platform::separator();
    const std::string target = freeName(MergeOutputPath(outputFolder, platform::localTime(), sep));
    progress.reset(job.names.size());

    std::string failure;
    const std::string parts = makePartsFolder(target);
    int status = parts.empty() ? RunInvalidData : RunEnded;
    std::string joinList;
    std::vector<std::string> temporaries;
    // The first part that fails or is stopped ends the merge: a join without
    // it would pass for a whole one.
    for (std::size_t k = 1; status == RunEnded && k <= job.names.size(); ++k) {
        // Names without a folder are full paths.
        const std::string input = job.folder.empty() ? job.names[k - 1] : job.folder + sep + job.names[k - 1];
        std::string written;
        status = ConvertToTs(parts + sep + std::to_string(k) + ".ts", input, target, progress, notify, &written,
                             &failure, stop);
        joinList += written + "|";
        temporaries.push_back(written);
    }
    const bool joined = status == RunEnded;
    if (joined) {
        status = runJobStep(
            BuildJoinCommandLine(PrepareTool(), joinList, target),
            [&](int soFar) { notify(progress.advance(), target, target, soFar); }, &failure, stop);
    }

    for (const std::string& ts : temporaries)
        platform::removeFile(ts);
    if (!parts.empty())
        platform::removeEmptyFolder(parts);
    if (joined && status != RunEnded)
        platform::removeFile(target); // only a target this job wrote
    if (why)
        *why = status == RunInvalidData ? failure : std::string();
    notify(100, target, target, status);
    return status;
}
