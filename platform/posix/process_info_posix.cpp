#include "platform/process_info.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <unistd.h>

namespace platform {

std::vector<std::int64_t> childProcessIds()
{
    std::vector<std::int64_t> children;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return children;
    const long self = ::getpid();
    while (dirent* e = ::readdir(proc)) {
        char path[300];
        std::snprintf(path, sizeof path, "/proc/%s/stat", e->d_name);
        FILE* stat = std::fopen(path, "r");
        if (!stat)
            continue;
        char line[1024];
        const bool read = std::fgets(line, sizeof line, stat) != nullptr;
        std::fclose(stat);
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        const char* close = read ? std::strrchr(line, ')') : nullptr;
        long parent = 0;
        if (close && std::sscanf(close + 1, " %*c %ld", &parent) == 1 && parent == self)
            children.push_back(std::atoll(e->d_name));
    }
    ::closedir(proc);
    return children;
}

std::int64_t residentBytes()
{
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    std::int64_t bytes = -1;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1) {
            bytes = static_cast<std::int64_t>(kb) * 1024;
            break;
        }
    std::fclose(status);
    return bytes;
}

} // namespace platform
