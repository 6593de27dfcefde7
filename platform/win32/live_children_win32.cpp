#include "platform/live_children.h"

#include <atomic>
#include <windows.h>

namespace platform {
namespace {

struct Slot {
    std::atomic<std::int64_t> pid{0};
    std::atomic<std::intptr_t> input{-1};
    std::atomic<std::intptr_t> process{0};
    std::atomic<bool> orphan{false};
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

void release(Slot& s)
{
    if (s.orphan.load()) // an orphan's handle belongs to the table
        ::CloseHandle(reinterpret_cast<HANDLE>(s.process.load()));
    s.input.store(-1);
    s.process.store(0);
    s.orphan.store(false);
    s.pid.store(0);
}

bool ended(Slot& s)
{
    const HANDLE h = reinterpret_cast<HANDLE>(s.process.load());
    if (s.pid.load() <= 0 || !h)
        return true;
    if (::WaitForSingleObject(h, 0) == WAIT_TIMEOUT)
        return false;
    if (s.orphan.load())
        release(s);
    return true;
}

} // namespace

void addLiveChild(std::int64_t pid, std::intptr_t input, std::intptr_t process)
{
    for (Slot& s : g_slots) {
        std::int64_t expected = 0;
        if (s.pid.compare_exchange_strong(expected, pid)) {
            s.orphan.store(false);
            s.input.store(input);
            s.process.store(process);
            return;
        }
    }
}

void removeLiveChild(std::int64_t pid)
{
    if (Slot* s = find(pid)) {
        s->orphan.store(false);
        release(*s);
    }
}

void orphanLiveChild(std::int64_t pid)
{
    if (Slot* s = find(pid)) {
        s->input.store(-1);
        s->orphan.store(true);
    }
}

void forgetLiveChildInput(std::int64_t pid)
{
    if (Slot* s = find(pid))
        s->input.store(-1);
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
    for (Slot& s : g_slots) {
        const std::intptr_t h = s.input.load();
        DWORD written = 0;
        if (s.pid.load() > 0 && h != -1)
            ::WriteFile(reinterpret_cast<HANDLE>(h), "q\r\n", 3, &written, nullptr);
    }
}

bool waitLiveChildren(int ms)
{
    for (int waited = 0;; waited += 10) {
        if (liveChildCount() == 0)
            return true;
        if (waited >= ms)
            return false;
        ::Sleep(10);
    }
}

void killLiveChildren()
{
    for (Slot& s : g_slots)
        if (s.pid.load() > 0 && !ended(s))
            ::TerminateProcess(reinterpret_cast<HANDLE>(s.process.load()), 1);
}

} // namespace platform
