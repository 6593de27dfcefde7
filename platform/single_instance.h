#pragma once
// One copy of the program per machine. Qt-free.

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

} // namespace platform
