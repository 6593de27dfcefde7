#pragma once
// One copy of the program per machine. Qt-free.
#include <string>

namespace platform {

// The machine-wide name the first copy holds for its whole life.
inline constexpr char kSingleInstanceName[] = "Global\\Vantreel_Screen_Video_Recorder_2018_For_Windows";

// Creates or opens the machine-wide lock named kSingleInstanceName and takes
// it when it is free; true only when another copy already holds it. A lock
// that cannot be made at all counts as no other copy. The lock is held until
// the process ends, however it ends: the system drops it then, so a crashed
// copy never blocks the next start. A second call in the same process answers
// true.
bool IsAlreadyRunning();

// Shows the top-level window whose title is exactly `title` (UTF-8), of any
// program, in its normal state, also when it is hidden or minimised; true when
// such a window was found. Nothing else is sent to it. This is how a second
// copy raises the running one on Windows. Elsewhere it always answers false:
// another program's window cannot be reached this way, and the running copy
// is asked over its local socket instead (app/running_copy.h).
bool ShowWindowTitled(const std::string& title);

} // namespace platform
