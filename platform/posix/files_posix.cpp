#include "platform/files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {

char separator() { return '/'; }

bool fileExists(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool nameTaken(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool isFolder(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::int64_t fileSize(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return -1;
    return st.st_size;
}

FileIdentity fileIdentity(const std::string& path)
{
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return {};
    return {true, static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool sameFile(const std::string& a, const std::string& b)
{
    const FileIdentity x = fileIdentity(a);
    const FileIdentity y = fileIdentity(b);
    return x.known && y.known && x.device == y.device && x.file == y.file;
}

bool isOwnPlainFile(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}

std::int64_t lastWriteTicks(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

bool copyFile(const std::string& from, const std::string& to)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat st;
    if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(in);
        return false;
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777);
    if (out < 0) {
        ::close(in);
        return false;
    }
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                ok = false;
                break;
            }
            done += put;
        }
        if (!ok)
            break;
    }
    ::close(in);
    if (::close(out) != 0)
        ok = false;
    return ok;
}

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool removeEmptyFolder(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

std::string makePrivateFolder(const std::string& prefix)
{
    const char* temp = std::getenv("TMPDIR");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string pattern = (temp && *temp == '/' ? temp : runtime && *runtime == '/' ? runtime : "/tmp");
    pattern += "/" + prefix + "XXXXXX";
    // mkdtemp makes it 0700.
    return ::mkdtemp(pattern.data()) ? pattern : std::string();
}

bool makeLink(const std::string& target, const std::string& link)
{
    return ::symlink(target.c_str(), link.c_str()) == 0;
}

std::string linkTarget(const std::string& path)
{
    char buffer[4096];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
    return n > 0 && static_cast<std::size_t>(n) < sizeof buffer ? std::string(buffer, static_cast<std::size_t>(n))
                                                                  : std::string();
}

bool makeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool makeFolderPath(const std::string& path)
{
    if (path.empty())
        return false;
    if (isFolder(path))
        return true;
    // Walk the path, making each missing level.
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/')
            continue;
        const std::string prefix = path.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    return isFolder(path);
}

int freeSpace(const std::string& folder, std::uint64_t& bytes)
{
    if (folder.empty())
        return ENOENT;
    std::string probe = folder;
    struct statvfs fs;
    // Ask the nearest folder that exists: a save folder that is yet to be
    // made lives on its parent's file system.
    while (::statvfs(probe.c_str(), &fs) != 0) {
        const int error = errno;
        if (error != ENOENT && error != ENOTDIR)
            return error;
        while (probe.size() > 1 && probe.back() == '/')
            probe.pop_back();
        const std::size_t slash = probe.rfind('/');
        if (slash == std::string::npos)
            return error;
        probe = slash == 0 ? std::string("/") : probe.substr(0, slash);
    }
    bytes = static_cast<std::uint64_t>(fs.f_bavail) * static_cast<std::uint64_t>(fs.f_frsize);
    return 0;
}

namespace {

bool writeAll(int fd, const std::string& content)
{
    for (std::size_t done = 0; done < content.size();) {
        const ssize_t put = ::write(fd, content.data() + done, content.size() - done);
        if (put < 0 && errno != EINTR)
            return false;
        if (put > 0)
            done += static_cast<std::size_t>(put);
    }
    return true;
}

// A fresh file beside `target`, opened for writing. Its name never collides
// with another writer's, not even another thread's of this process.
int openBeside(const std::string& target, std::string& temp)
{
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 8; ++attempt) {
        temp = target + ".new" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The rename is only durable once the folder that holds the new name is on
// disk too. Some file systems refuse to sync a folder; the data itself was
// synced already, so that is no failure.
void syncFolderOf(const std::string& target)
{
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool replaceFileContent(const std::string& path, const std::string& content)
{
    if (path.empty())
        return false;
    std::string target = path;
    struct stat st;
    const bool exists = ::lstat(path.c_str(), &st) == 0;
    if (exists && S_ISLNK(st.st_mode)) {
        char* real = ::realpath(path.c_str(), nullptr);
        if (!real)
            return false; // a link to nowhere, or a loop
        target = real;
        std::free(real);
        if (::stat(target.c_str(), &st) != 0)
            return false;
    }
    // Replacing a folder, a pipe or a device with a file would destroy
    // something that was never ours; a file this process may not write is
    // refused as writing it in place would be.
    if (exists && (!S_ISREG(st.st_mode) || ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0))
        return false;

    std::string temp;
    const int out = openBeside(target, temp);
    if (out < 0)
        return false;
    bool ok = true;
    if (exists) {
        // Owner first: a change of owner clears the set-id bits. Only root
        // may give a file away; anyone else keeps the file as their own.
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid())
            (void)::fchown(out, st.st_uid, st.st_gid);
        ok = ::fchmod(out, st.st_mode & 07777) == 0;
    }
    ok = ok && writeAll(out, content) && ::fsync(out) == 0;
    if (::close(out) != 0)
        ok = false;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolderOf(target);
    return true;
}

bool flushFileToDisk(const std::string& path)
{
    // Read-only is enough: the flush covers every writer's data.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    const bool ok = ::fdatasync(fd) == 0;
    ::close(fd);
    return ok;
}

bool flushFolderOf(const std::string& path)
{
    syncFolderOf(path);
    return true;
}

bool moveToFreeName(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        // Some file systems cannot promise "not over another"; no one else
        // writes our recordings' names, so a check just before is enough.
        if ((errno != EINVAL && errno != ENOSYS) || nameTaken(to)
            || ::rename(from.c_str(), to.c_str()) != 0)
            return false;
    }
    syncFolderOf(to);
    return true;
}

ReadOnlyFile::ReadOnlyFile(const std::string& path)
{
    // Non-blocking, so that a pipe put where a file was listed cannot hold
    // the open; anything but a regular file is then refused.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    handle_ = fd;
    size_ = static_cast<std::uint64_t>(st.st_size);
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (handle_ != kClosed)
        ::close(static_cast<int>(handle_));
}

long long ReadOnlyFile::readAt(std::uint64_t offset, void* buffer, std::size_t count)
{
    if (handle_ == kClosed)
        return -1;
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(static_cast<int>(handle_), static_cast<char*>(buffer) + done, count - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long long>(done);
}

NewFile::NewFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd >= 0)
        handle_ = fd;
}

NewFile::~NewFile()
{
    if (handle_ != kClosed)
        ::close(static_cast<int>(handle_));
}

bool NewFile::writeAt(std::uint64_t offset, const void* data, std::size_t count)
{
    if (handle_ == kClosed)
        return false;
    for (std::size_t done = 0; done < count;) {
        const ssize_t put = ::pwrite(static_cast<int>(handle_), static_cast<const char*>(data) + done, count - done,
                                     static_cast<off_t>(offset + done));
        if (put < 0 && errno != EINTR)
            return false;
        if (put > 0)
            done += static_cast<std::size_t>(put);
    }
    size_ = std::max<std::uint64_t>(size_, offset + count);
    return true;
}

bool NewFile::append(const void* data, std::size_t count) { return writeAt(size_, data, count); }

bool NewFile::appendFrom(ReadOnlyFile& from, std::uint64_t offset, std::uint64_t count)
{
    if (handle_ == kClosed || from.handle_ == ReadOnlyFile::kClosed)
        return false;
    std::uint64_t done = 0;
    // In the kernel where it can; between file systems that cannot, or on
    // old kernels, through a buffer.
    while (done < count) {
        loff_t in = static_cast<loff_t>(offset + done);
        loff_t out = static_cast<loff_t>(size_);
        const ssize_t put = ::copy_file_range(static_cast<int>(from.handle_), &in, static_cast<int>(handle_), &out,
                                              static_cast<std::size_t>(std::min<std::uint64_t>(count - done, 1u << 30)), 0);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            break;
        done += static_cast<std::uint64_t>(put);
        size_ += static_cast<std::uint64_t>(put);
    }
    std::string buffer;
    while (done < count) {
        buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(count - done, 1u << 20)));
        const long long got = from.readAt(offset + done, buffer.data(), buffer.size());
        if (got <= 0 || !append(buffer.data(), static_cast<std::size_t>(got)))
            return false;
        done += static_cast<std::uint64_t>(got);
    }
    return true;
}

} // namespace platform
