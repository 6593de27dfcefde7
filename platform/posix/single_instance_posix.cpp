#include "platform/single_instance.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// In the system's temporary folder, so that every user of the machine meets
// the same file; the backslash of the name cannot stand in a file name.
std::string lockPath()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string path = tmp && *tmp ? tmp : "/tmp";
    if (path.back() != '/')
        path += '/';
    for (const char* c = kSingleInstanceName; *c; ++c)
        path += *c == '\\' ? '-' : *c;
    return path + ".lock";
}

} // namespace

bool IsAlreadyRunning()
{
    const std::string path = lockPath();
    // Close-on-exec: an encoder that outlives us must not keep the lock.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) // another user's file in a sticky folder can still be opened to read
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::fchmod(fd, 0666); // lets other users lock it too; fails harmlessly when not ours
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return false; // ours now: the descriptor stays open until the process ends
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

bool ShowWindowTitled(const std::string&)
{
    return false;
}

} // namespace platform
