#pragma once
// Every child this program started and that is still running. Shutdown and the
// crash handler use it to end exactly our encoders and nothing else. Every
// call here is async-signal-safe (a fixed table of atomics).
#include <cstdint>

namespace platform {

// For ChildProcess: a started child, the child reaped by its owner, and a child
// whose owner went away while it still ran (the table reaps it later).
void addLiveChild(std::int64_t pid, std::intptr_t input, std::intptr_t process);
void removeLiveChild(std::int64_t pid);
void orphanLiveChild(std::int64_t pid);
// Before the owner closes the child's input: "q" is no longer written to it.
void forgetLiveChildInput(std::int64_t pid);

// Children still running; reaps ended orphans on the way.
int liveChildCount();
// Writes "q\r\n" to every live child's standard input.
void askLiveChildrenToQuit();
// Waits up to `ms` for the live children to end; true when none is left.
bool waitLiveChildren(int ms);
// Ends every live child by force.
void killLiveChildren();

} // namespace platform
