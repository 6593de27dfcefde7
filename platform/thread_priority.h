#pragma once
// Background work that must not take the processor from the interface
// thread. Qt-free.

namespace platform {

// Lowers the calling thread's priority below the program's other threads.
// Nothing happens where the system refuses.
void lowerThisThreadPriority();

} // namespace platform
