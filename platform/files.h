#pragma once
// File-system calls the system needs, on UTF-8 paths. Qt-free.
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// The native folder separator: '\\' on Windows, '/' elsewhere.
char separator();

// True when a file or a folder of that path exists.
bool fileExists(const std::string& path);
bool isFolder(const std::string& path);
// True when anything has that name, a link too even when it leads nowhere:
// such a name is not free for a new file.
bool nameTaken(const std::string& path);
// Size in bytes, or -1 when there is no such file.
std::int64_t fileSize(const std::string& path);
// What a file or a folder is apart from its names: two spellings of one path
// (a trailing separator, "./", a link, a bind mount) give the same identity.
// Links are followed; `known` is false when nothing is there.
struct FileIdentity {
    bool known = false;
    std::uint64_t device = 0;
    std::uint64_t file = 0;
};
FileIdentity fileIdentity(const std::string& path);
// True when both paths lead to one file or folder that exists.
bool sameFile(const std::string& a, const std::string& b);
// True when the name itself (not followed when a link) is a regular file
// that this user owns (on Windows: a file that is no link and no folder).
bool isOwnPlainFile(const std::string& path);
// Last-write time in the system's own ticks, only to compare with another
// answer for the same file; -1 when there is no such file.
std::int64_t lastWriteTicks(const std::string& path);

// Copies over an existing target. False when the source cannot be read or the
// target cannot be written.
bool copyFile(const std::string& from, const std::string& to);
bool removeFile(const std::string& path);
// Removes a folder only when it is empty.
bool removeEmptyFolder(const std::string& path);

// One level only: fails when the parent is missing.
bool makeFolder(const std::string& path);
// A new folder only this user may enter, under the system's folder for
// temporary files, its name starting with `prefix`; empty on failure.
std::string makePrivateFolder(const std::string& prefix);

// A symbolic link at `link` (a free name) to `target`. False where the
// system refuses, and always on Windows, where only some users may make one.
bool makeLink(const std::string& target, const std::string& link);
// What the link at `path` leads to, as it was written; empty when `path` is
// no link.
std::string linkTarget(const std::string& path);
// Creates every missing parent too.
bool makeFolderPath(const std::string& path);

// Bytes available to this user on the file system that holds `folder` (or its
// nearest existing parent). Returns 0, or the system's error code and leaves
// `bytes` untouched.
int freeSpace(const std::string& folder, std::uint64_t& bytes);

// The whole content of a regular file, at most `limit` bytes. False when it
// cannot be read or is larger.
bool readWholeFile(const std::string& path, std::string& content, std::uint64_t limit);
// The one way this program writes a file whole. `content` goes into a new
// file beside the target, which is flushed to disk and renamed over the
// target, and the folder is flushed too: a reader, or a crash, sees either
// the old file or the new one, never a part. On any failure the new file is
// removed and the old one is left as it was.
// - A symbolic link is followed: the file it leads to is replaced and the
//   link stays, as users who keep their settings elsewhere expect. A link
//   that leads nowhere, or in a loop, is refused.
// - The new file keeps the target's permissions: its mode bits, and its
//   owner where the process may set it (POSIX), or its attributes (Windows;
//   its access list is the folder's, as for any new file there). A new
//   target gets 0644 less the umask, or the folder's defaults.
// - A folder, a pipe or a device at the path is refused, and so is a file
//   this process may not write (read-only attribute, or no write access).
bool replaceFileContent(const std::string& path, const std::string& content);

// Pushes what has been written to `path` so far, by this process or
// another, from the system's cache to the disk: a power cut then loses
// nothing before this call. False when it cannot be opened or flushed.
bool flushFileToDisk(const std::string& path);
// The same for the folder entry of `path`, so that a new name survives a
// power cut. Where the file system keeps names safe by itself (or cannot be
// asked), true.
bool flushFolderOf(const std::string& path);
// Gives a file a new name in the same folder, never over another file: false
// when `to` exists or the move fails, and `from` is left as it was. The new
// name is flushed to disk.
bool moveToFreeName(const std::string& from, const std::string& to);

// A regular file opened for reading at any position. Opening never waits on
// a pipe or a device: those, folders and missing files give a closed one.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool isOpen() const { return handle_ != kClosed; }
    // Size when opened.
    std::uint64_t size() const { return size_; }
    // Bytes read at `offset`, fewer at the end of the file; -1 on failure.
    long long readAt(std::uint64_t offset, void* buffer, std::size_t count);

private:
    friend class NewFile;
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;
    std::uint64_t size_ = 0;
};

// A file made new (never over another) and written from its start on. Bytes
// of another file are copied by the system where it can, without passing
// through this process. What was written stays when it is destroyed.
class NewFile {
public:
    explicit NewFile(const std::string& path);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    bool isOpen() const { return handle_ != kClosed; }
    // Bytes written so far, where the next ones go.
    std::uint64_t size() const { return size_; }
    bool append(const void* data, std::size_t count);
    // `count` bytes of `from` at `offset`; false when fewer could be copied.
    bool appendFrom(ReadOnlyFile& from, std::uint64_t offset, std::uint64_t count);
    // Over bytes already written.
    bool writeAt(std::uint64_t offset, const void* data, std::size_t count);

private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;
    std::uint64_t size_ = 0;
};

} // namespace platform
