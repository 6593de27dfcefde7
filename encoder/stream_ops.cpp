#include "encoder/stream_ops.h"

#include "encoder/job_step.h"
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
    const std::string output = FreeName(CutOutputPath(outputFolder, job.source, platform::separator()));
    const std::string commandLine =
        BuildCutCommandLine(PrepareTool(), job.source, job.startMs, job.endMs - job.startMs, output);
    std::string failure;
    int status = RunJobStep(
        commandLine, [&](int soFar) { notify(5, job.source, output, soFar); }, &failure, stop);
    if (status == RunEnded && !HasStreams(output))
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
    const std::string ts = FreeName(tsPath);
    if (writtenPath)
        *writtenPath = ts;
    return RunJobStep(
        BuildConvertToTsCommandLine(PrepareTool(), inputPath, ts),
        [&](int soFar) { notify(progress.advance(), inputPath, targetPath, soFar); }, why, stop);
}

int MergeFiles(const std::string& outputFolder, const MergeJob& job, MergeProgress& progress, const JobNotify& notify,
               std::string* why, std::stop_token stop)
{
    const char sep = platform::separator();
    const std::string target = FreeName(MergeOutputPath(outputFolder, platform::localTime(), sep));
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
        status = RunJobStep(
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
