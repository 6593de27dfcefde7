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
    // flock needs no write access, so the file is only ever read: a link
    // planted in the shared folder is refused, and no other user can change
    // the file. Close-on-exec: an encoder that outlives us must not keep the
    // lock. Non-blocking: a pipe planted there must not hang the start.
    constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    int fd = ::open(path.c_str(), kFlags | O_CREAT, 0644);
    if (fd < 0) // another user's file in a sticky folder opens only without O_CREAT
        fd = ::open(path.c_str(), kFlags);
    if (fd < 0)
        return false;
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    // Readable by every user whatever the umask, so that the lock stays
    // machine-wide; fails harmlessly on another user's file.
    if ((st.st_mode & 07777) != 0644)
        ::fchmod(fd, 0644);
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return false; // ours now: the descriptor stays open until the process ends
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

bool ShowWindowTitled(const std::string&) { return false; }

} // namespace platform
