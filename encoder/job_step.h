#pragma once
// What every operation on finished recordings does with the encoder: one
// stoppable run that reports its status lines, and the check that a
// written file holds anything. What it writes is named by
// util::ClaimFreeName first, so the encoder may overwrite it. Qt-free.
#include "encoder/run_stop.h"
#include "encoder/runner.h"

#include <functional>
#include <stop_token>
#include <string>

namespace encoder {

// Why a job failed when no new file could be made for `path`.
std::string NoNewFileReason(const std::string& path);

// One run of a job: "Invalid data" ends it, each chunk with a status line
// calls `onFrame` with the status so far, and a stop makes it ask the
// encoder to finish, ending one that ignores it. `why` gets the encoder's
// most telling line, also after a run that looked clean (a cut that came
// out empty). Returns the runner's status; a failed exit is invalid data.
RunStatus RunJobStep(const std::string& commandLine, const std::function<void(int)>& onFrame, std::string* why,
                     const std::stop_token& stop);

// The command that describes `path` and ends: the tool is given no output.
// `quotedTool` is PrepareTool()'s answer.
std::string BuildProbeCommandLine(const std::string& quotedTool, const std::string& path);
// The encoder's description of `path` (bounded), up to where it says the
// file holds invalid data. Blocks until the encoder has ended.
std::string ProbeDescription(const std::string& path);

// True when the encoder describes at least one stream in `path`: a cut whose
// length is zero or less, or that starts past the end, comes out as an MP4
// without any.
bool HasStreams(const std::string& path);

} // namespace encoder
