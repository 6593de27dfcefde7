#include "encoder/job_step.h"

#include "encoder/output_tail.h"
#include "encoder/runner.h"
#include "encoder/files_only.h"
#include "encoder/tool.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "util/debug_log.h"
#include "util/files.h"

#include <cstring>

namespace encoder {

using util::DebugLog;

namespace {

// More than any description of one file takes.
constexpr std::size_t kDescriptionMax = 256 * 1024;

bool contains(const char* chunk, const char* marker) { return std::strstr(chunk, marker) != nullptr; }

} // namespace

std::string BuildProbeCommandLine(const std::string& quotedTool, const std::string& path)
{
    return quotedTool + kFilesOnly + " -i  " + platform::quoteArgument(path) + " ";
}

std::string NoNewFileReason(const std::string& path) { return "A new file could not be made for " + path; }

RunStatus RunJobStep(const std::string& commandLine, const std::function<void(int)>& onFrame, std::string* why,
                     const std::stop_token& stop)
{
    DebugLog(commandLine);
    int soFar = RunEnded;
    int exitCode = -1;
    OutputTail tail;
    const RunStatus ran = RunTool(
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
    const RunStatus status = ran == RunEnded && exitCode != 0 ? RunInvalidData : ran;
    if (why)
        *why = status == RunStopRequested || status == RunForcedEnd ? std::string() : tail.tellingLine();
    return status;
}

std::string ProbeDescription(const std::string& path)
{
    // The description comes in several writes and a marker may fall across
    // two chunks: callers look for theirs in all that has come.
    std::string description;
    RunTool(BuildProbeCommandLine(PrepareTool(), path), [&](const char* chunk, std::size_t size) {
        if (description.size() < kDescriptionMax)
            description.append(chunk, size);
        return contains(chunk, "Invalid data");
    });
    return description;
}

bool HasStreams(const std::string& path)
{
    // Read whole, not chunk by chunk: a marker split between two chunks
    // would make a good cut look empty, and the cut would be thrown away.
    return ProbeDescription(path).find("Stream #") != std::string::npos;
}

} // namespace encoder
