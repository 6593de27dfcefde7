#pragma once
// The encoder executable: a per-user runnable copy of the shipped `tool`,
// made once a run of the program and again only when the shipped file
// changed or the copy went missing. Qt-free; any thread.
#include <string>

namespace encoder {

// Per-user folder, ending with a separator.
std::string ToolFolder();
// Path of the runnable copy inside ToolFolder().
std::string ToolCopyPath();

// Makes the per-user folder (with its marker folder) once at start-up.
// Failures are ignored: a later run then fails to start and says so.
void EnsureToolFolder();

// Makes the copy when it is due (see above) and returns its path in double
// quotes, the head of every encoder command line. A failed copy is not
// reported, and tried again next time: an earlier copy, if any, still runs.
std::string PrepareTool();

} // namespace encoder
