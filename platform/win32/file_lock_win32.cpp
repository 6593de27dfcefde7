#include "platform/file_lock.h"

#include "platform/win32/wide.h"

namespace platform {

using win32::widen;

namespace {

// A byte range locked by LockFileEx cannot be read or written through any
// other handle, so the lock covers one byte far past any file's end, where
// no one reads or writes.
constexpr DWORD kLockedByteHigh = 0x40000000;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool lockRange(HANDLE h, DWORD flags)
{
    OVERLAPPED at{};
    at.OffsetHigh = kLockedByteHigh;
    return ::LockFileEx(h, flags, 0, 1, 0, &at) != 0;
}

// The name itself: a link is opened as the link, and then refused.
HANDLE openPlainFile(const std::string& path)
{
    const HANDLE h = ::CreateFileW(widen(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return h;
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h, &info)
        || (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        ::CloseHandle(h);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

} // namespace

void FileLock::release(std::intptr_t handle) { ::CloseHandle(reinterpret_cast<HANDLE>(handle)); }

FileLock FileLock::makeNew(const std::string& path)
{
    FileLock lock;
    // CREATE_NEW on the link itself: a taken name, a link to nowhere too, is refused.
    const HANDLE h = ::CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return lock;
    if (!lockRange(h, LOCKFILE_EXCLUSIVE_LOCK)) {
        ::CloseHandle(h);
        ::DeleteFileW(widen(path).c_str());
        return lock;
    }
    lock.handle_ = reinterpret_cast<std::intptr_t>(h);
    return lock;
}

FileLock FileLock::takeExisting(const std::string& path)
{
    FileLock lock;
    const HANDLE h = openPlainFile(path);
    if (h == INVALID_HANDLE_VALUE)
        return lock;
    if (!lockRange(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY)) {
        ::CloseHandle(h);
        return lock;
    }
    lock.handle_ = reinterpret_cast<std::intptr_t>(h);
    return lock;
}

bool isLockedByAnyone(const std::string& path)
{
    const HANDLE h = openPlainFile(path);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool held = !lockRange(h, LOCKFILE_FAIL_IMMEDIATELY) && ::GetLastError() == ERROR_LOCK_VIOLATION;
    ::CloseHandle(h); // lets go of the shared lock too
    return held;
}

} // namespace platform
