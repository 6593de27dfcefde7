#pragma once
// A lock this process holds on a file for as long as the object lives, so
// that anyone who asks (another part of this process, another running copy
// of the program) knows the file is in use and leaves it alone. It never
// keeps anyone from reading or writing the file: the encoder writes a take's
// working files while the recorder holds them. Qt-free.
#include "platform/files.h"

#include <cstdint>
#include <string>

namespace platform {

class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Makes `path` a new empty file (never over another name, never through
    // a link) and locks it. Not held when the name is taken or cannot be made.
    static FileLock makeNew(const std::string& path);
    // Locks the file at `path` when it is a regular file of this user's, the
    // name itself (a link is not followed) and nobody holds it yet.
    static FileLock takeExisting(const std::string& path);

    bool held() const { return handle_ != kClosed; }

private:
    // Lets go of the lock and the file; each back end's own.
    static void release(std::intptr_t handle);
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;
};

// True when some FileLock, in this process or another, holds the file at
// `path` (the name itself; a link is not followed).
bool isLockedByAnyone(const std::string& path);

} // namespace platform
