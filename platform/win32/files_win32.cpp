#include "platform/files.h"

#include "platform/win32/wide.h"

#include <algorithm>
#include <shlobj.h>
#include <shlwapi.h>

namespace platform {
using win32::widen;

char separator() { return '\\'; }

bool fileExists(const std::string& path) { return !path.empty() && ::PathFileExistsW(widen(path).c_str()); }

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

bool readWholeFile(const std::string& path, std::string& content, std::uint64_t limit)
{
    ReadOnlyFile file(path);
    if (!file.isOpen() || file.size() > limit)
        return false;
    std::string text(static_cast<std::size_t>(file.size()), '\0');
    if (file.readAt(0, text.data(), text.size()) != static_cast<long long>(text.size()))
        return false;
    content = std::move(text);
    return true;
}

bool replaceFileContent(const std::string& path, const std::string& content)
{
    const std::wstring temp = widen(path + ".new" + std::to_string(::GetCurrentProcessId()));
    const HANDLE out =
        ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    for (std::size_t done = 0; ok && done < content.size();) {
        DWORD put = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 20));
        ok = ::WriteFile(out, content.data() + done, chunk, &put, nullptr) != 0;
        done += put;
    }
    ::CloseHandle(out);
    if (!ok || !::MoveFileExW(temp.c_str(), widen(path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
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

} // namespace platform
