#include "platform/process_info.h"

#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>
#include <tlhelp32.h>

namespace platform {

std::vector<std::int64_t> childProcessIds()
{
    std::vector<std::int64_t> children;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return children;
    const DWORD self = ::GetCurrentProcessId();
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
        if (entry.th32ParentProcessID == self)
            children.push_back(entry.th32ProcessID);
    ::CloseHandle(snapshot);
    return children;
}

std::int64_t residentBytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters))
        return -1;
    return static_cast<std::int64_t>(counters.WorkingSetSize);
}

} // namespace platform
