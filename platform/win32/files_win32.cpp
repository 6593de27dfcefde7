#include "platform/files.h"

#include "platform/win32/wide.h"

#include <algorithm>
#include <atomic>
#include <shlobj.h>
#include <shlwapi.h>

namespace platform {
using win32::narrow;
using win32::widen;

char separator() { return '\\'; }

bool fileExists(const std::string& path) { return !path.empty() && ::PathFileExistsW(widen(path).c_str()); }

// The attributes of a link are its own: it is not followed.
bool nameTaken(const std::string& path)
{
    return !path.empty() && ::GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool isFolder(const std::string& path)
{
    const DWORD a = ::GetFileAttributesW(widen(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::int64_t fileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)
        || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

FileIdentity fileIdentity(const std::string& path)
{
    // Backup semantics open folders too; no access is asked, only attributes.
    const HANDLE h = ::CreateFileW(widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (path.empty() || h == INVALID_HANDLE_VALUE)
        return {};
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = ::GetFileInformationByHandle(h, &info) != 0;
    ::CloseHandle(h);
    if (!ok)
        return {};
    return {true, info.dwVolumeSerialNumber, (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

bool sameFile(const std::string& a, const std::string& b)
{
    const FileIdentity x = fileIdentity(a);
    const FileIdentity y = fileIdentity(b);
    return x.known && y.known && x.device == y.device && x.file == y.file;
}

// The folder's access list decides who may write there; a file's owner is
// not asked.
bool isOwnPlainFile(const std::string& path)
{
    const DWORD a = path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(widen(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE));
}

std::int64_t lastWriteTicks(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

bool copyFile(const std::string& from, const std::string& to)
{
    return ::CopyFileW(widen(from).c_str(), widen(to).c_str(), FALSE) != 0;
}

bool removeFile(const std::string& path) { return ::DeleteFileW(widen(path).c_str()) != 0; }

bool removeEmptyFolder(const std::string& path) { return ::RemoveDirectoryW(widen(path).c_str()) != 0; }

std::string makePrivateFolder(const std::string& prefix)
{
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH)
        return {};
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring folder = std::wstring(temp) + widen(prefix) + std::to_wstring(::GetCurrentProcessId())
            + L"-" + std::to_wstring(counter++);
        // A folder under the user's own temporary folder is the user's alone.
        if (::CreateDirectoryW(folder.c_str(), nullptr))
            return narrow(folder);
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            return {};
    }
    return {};
}

// Windows lets only privileged or developer-mode users make links, so no
// caller may count on one: none are made here.
bool makeLink(const std::string&, const std::string&) { return false; }

std::string linkTarget(const std::string&) { return {}; }

bool makeFolder(const std::string& path) { return ::CreateDirectoryW(widen(path).c_str(), nullptr) != 0; }

bool makeFolderPath(const std::string& path)
{
    if (path.empty())
        return false;
    // The shell's call takes full paths with backslashes only.
    std::wstring w = widen(path);
    for (auto& c : w)
        if (c == L'/')
            c = L'\\';
    wchar_t full[MAX_PATH] = {};
    const DWORD length = ::GetFullPathNameW(w.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return false;
    const int r = ::SHCreateDirectoryExW(nullptr, full, nullptr);
    // "Already exists" also answers for a file of that name, which is no folder.
    return r == ERROR_SUCCESS || ((r == ERROR_ALREADY_EXISTS || r == ERROR_FILE_EXISTS) && isFolder(path));
}

int freeSpace(const std::string& folder, std::uint64_t& bytes)
{
    // The drive's root from the folder's first letter: "C:\". Anything else
    // there (a network path's backslash, nothing at all) names no drive; an
    // empty root would even mean the current drive.
    const char letter = folder.empty() ? '\0' : folder[0];
    if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')))
        return ERROR_INVALID_DRIVE;
    const wchar_t root[4] = {static_cast<wchar_t>(letter), L':', L'\\', L'\0'};
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!::GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return static_cast<int>(::GetLastError());
    bytes = static_cast<std::uint64_t>(sectorsPerCluster) * freeClusters * bytesPerSector;
    return 0;
}

namespace {

// The file a link at `path` leads to, in the "\\?\C:\..." form; empty when
// it leads nowhere.
std::wstring linkedFile(const std::wstring& path)
{
    const HANDLE h = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    std::wstring real(32768, L'\0');
    const DWORD length = ::GetFinalPathNameByHandleW(h, real.data(), static_cast<DWORD>(real.size()),
                                                     FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    ::CloseHandle(h);
    if (length == 0 || length >= real.size())
        return {};
    real.resize(length);
    return real;
}

bool writeAll(HANDLE out, const std::string& content)
{
    for (std::size_t done = 0; done < content.size();) {
        DWORD put = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 20));
        if (!::WriteFile(out, content.data() + done, chunk, &put, nullptr))
            return false;
        done += put;
    }
    return true;
}

// A fresh file beside `target`, opened for writing; no other writer, not
// even another thread of this process, gets the same name.
HANDLE createBeside(const std::wstring& target, std::wstring& temp)
{
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 8; ++attempt) {
        temp = target + L".new" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(serial++);
        const HANDLE out =
            ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS)
            return out;
    }
    return INVALID_HANDLE_VALUE;
}

} // namespace

bool replaceFileContent(const std::string& path, const std::string& content)
{
    if (path.empty())
        return false;
    std::wstring target = widen(path);
    DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        target = linkedFile(target);
        if (target.empty())
            return false; // a link to nowhere, or a loop
        attributes = ::GetFileAttributesW(target.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return false;
    }
    // As on POSIX: a folder is never replaced by a file, and a file marked
    // read-only is refused as writing it in place would be.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return false;

    std::wstring temp;
    const HANDLE out = createBeside(target, temp);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    bool ok = writeAll(out, content) && ::FlushFileBuffers(out);
    ::CloseHandle(out);
    constexpr DWORD kept =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (ok && attributes != INVALID_FILE_ATTRIBUTES && (attributes & kept))
        ok = ::SetFileAttributesW(temp.c_str(), attributes & kept) != 0;
    // Write-through returns once the rename itself is on disk.
    if (!ok || !::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

ReadOnlyFile::ReadOnlyFile(const std::string& path)
{
    const HANDLE h =
        ::CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    LARGE_INTEGER size{};
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileSizeEx(h, &size)) {
        ::CloseHandle(h);
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    size_ = static_cast<std::uint64_t>(size.QuadPart);
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (handle_ != kClosed)
        ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

long long ReadOnlyFile::readAt(std::uint64_t offset, void* buffer, std::size_t count)
{
    if (handle_ == kClosed)
        return -1;
    std::size_t done = 0;
    while (done < count) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset + done);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        DWORD got = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 20));
        if (!::ReadFile(reinterpret_cast<HANDLE>(handle_), static_cast<char*>(buffer) + done, chunk, &got, &at))
            return ::GetLastError() == ERROR_HANDLE_EOF ? static_cast<long long>(done) : -1;
        if (got == 0)
            break;
        done += got;
    }
    return static_cast<long long>(done);
}

bool flushFileToDisk(const std::string& path)
{
    // Flushing needs write access; the encoder keeps writing meanwhile.
    const HANDLE h = ::CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = ::FlushFileBuffers(h) != 0;
    ::CloseHandle(h);
    return ok;
}

// NTFS journals its folders; a folder cannot be flushed by name.
bool flushFolderOf(const std::string&) { return true; }

bool moveToFreeName(const std::string& from, const std::string& to)
{
    return ::MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

NewFile::NewFile(const std::string& path)
{
    const HANDLE h = ::CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                   CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE)
        handle_ = reinterpret_cast<std::intptr_t>(h);
}

NewFile::~NewFile()
{
    if (handle_ != kClosed)
        ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool NewFile::writeAt(std::uint64_t offset, const void* data, std::size_t count)
{
    if (handle_ == kClosed)
        return false;
    for (std::size_t done = 0; done < count;) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset + done);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        DWORD put = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 20));
        if (!::WriteFile(reinterpret_cast<HANDLE>(handle_), static_cast<const char*>(data) + done, chunk, &put, &at))
            return false;
        done += put;
    }
    size_ = std::max<std::uint64_t>(size_, offset + count);
    return true;
}

bool NewFile::append(const void* data, std::size_t count) { return writeAt(size_, data, count); }

bool NewFile::appendFrom(ReadOnlyFile& from, std::uint64_t offset, std::uint64_t count)
{
    std::string buffer;
    for (std::uint64_t done = 0; done < count;) {
        buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(count - done, 4u << 20)));
        const long long got = from.readAt(offset + done, buffer.data(), buffer.size());
        if (got <= 0 || !append(buffer.data(), static_cast<std::size_t>(got)))
            return false;
        done += static_cast<std::uint64_t>(got);
    }
    return true;
}

} // namespace platform
