#include "platform/file_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// A lock of the open file (flock), not of the process (fcntl): closing
// another descriptor of the same file, as every reader does, keeps it, and
// a second descriptor in this same process is refused as another process is.

namespace platform {

namespace {

// The name itself, never through a link, never waiting on a pipe.
int openOwnPlainFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int lockOf(int fd, int how)
{
    int r;
    do
        r = ::flock(fd, how);
    while (r != 0 && errno == EINTR);
    return r;
}

} // namespace

void FileLock::release(std::intptr_t handle) { ::close(static_cast<int>(handle)); }

FileLock FileLock::makeNew(const std::string& path)
{
    FileLock lock;
    // O_EXCL refuses any name that is taken, a link too, even one to nowhere.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        return lock;
    // Waits only while someone merely asks whether it is held.
    if (lockOf(fd, LOCK_EX) != 0) {
        ::close(fd);
        ::unlink(path.c_str());
        return lock;
    }
    lock.handle_ = fd;
    return lock;
}

FileLock FileLock::takeExisting(const std::string& path)
{
    FileLock lock;
    const int fd = openOwnPlainFile(path);
    if (fd < 0)
        return lock;
    if (lockOf(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return lock;
    }
    lock.handle_ = fd;
    return lock;
}

bool isLockedByAnyone(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    const bool held = lockOf(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd); // lets go of the shared lock too
    return held;
}

} // namespace platform
