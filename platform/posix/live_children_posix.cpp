#include "platform/live_children.h"

#include <atomic>
#include <csignal>
#include <sched.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace platform {
namespace {

struct Slot {
    std::atomic<std::int64_t> pid{0};
    std::atomic<std::intptr_t> input{-1};
    std::atomic<bool> orphan{false};
    std::atomic<int> writers{0}; // askLiveChildrenToQuit using `input` right now
};

constexpr int kSlots = 64;
Slot g_slots[kSlots];

Slot* find(std::int64_t pid)
{
    for (Slot& s : g_slots)
        if (s.pid.load() == pid)
            return &s;
    return nullptr;
}

// The table lets go of the slot's input; a quit request that read it just
// before finishes first: only then may the owner close it.
void dropInput(Slot& s)
{
    s.input.store(-1);
    while (s.writers.load() != 0)
        ::sched_yield();
}

void release(Slot& s)
{
    dropInput(s);
    s.orphan.store(false);
    s.pid.store(0);
}

// True when the slot's child has ended. Only orphans are reaped here: a
// child with an owner is reaped by that owner.
bool ended(Slot& s)
{
    const std::int64_t pid = s.pid.load();
    if (pid <= 0)
        return true;
    if (s.orphan.load()) {
        int status = 0;
        const pid_t r = ::waitpid(static_cast<pid_t>(pid), &status, WNOHANG);
        if (r != 0) {
            release(s);
            return true;
        }
        return false;
    }
    // A zombie still answers kill(0); ask waitpid without reaping.
    siginfo_t info{};
    info.si_pid = 0;
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return true;
    return info.si_pid == static_cast<pid_t>(pid);
}

} // namespace

void addLiveChild(std::int64_t pid, std::intptr_t input, std::intptr_t)
{
    for (Slot& s : g_slots) {
        std::int64_t expected = 0;
        if (s.pid.compare_exchange_strong(expected, pid)) {
            s.orphan.store(false);
            s.input.store(input);
            return;
        }
    }
    // The table is full: the child still runs, it just cannot be ended for us.
}

void removeLiveChild(std::int64_t pid)
{
    if (Slot* s = find(pid))
        release(*s);
}

void orphanLiveChild(std::int64_t pid)
{
    if (Slot* s = find(pid)) {
        dropInput(*s);
        s->orphan.store(true);
    }
}

void forgetLiveChildInput(std::int64_t pid)
{
    if (Slot* s = find(pid))
        dropInput(*s);
}

int liveChildCount()
{
    int count = 0;
    for (Slot& s : g_slots)
        if (s.pid.load() > 0 && !ended(s))
            ++count;
    return count;
}

void askLiveChildrenToQuit()
{
    static const char quit[] = "q\r\n";
    for (Slot& s : g_slots) {
        s.writers.fetch_add(1);
        const std::intptr_t fd = s.input.load();
        if (s.pid.load() > 0 && fd >= 0)
            (void)!::write(static_cast<int>(fd), quit, 3);
        s.writers.fetch_sub(1);
    }
}

bool waitLiveChildren(int ms)
{
    for (int waited = 0;; waited += 10) {
        if (liveChildCount() == 0)
            return true;
        if (waited >= ms)
            return false;
        const timespec tenMs{0, 10 * 1000 * 1000};
        ::nanosleep(&tenMs, nullptr);
    }
}

void killLiveChildren()
{
    for (Slot& s : g_slots) {
        const std::int64_t pid = s.pid.load();
        if (pid > 0 && !ended(s))
            ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
}

} // namespace platform
