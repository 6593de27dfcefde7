#include "platform/paths.h"

#include "platform/files.h"
#include "platform/win32/wide.h"

#include <shlobj.h>

namespace platform {
using win32::narrow;
using win32::widen;

std::string programFolder()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    const std::size_t slash = p.find_last_of(L"\\/");
    return narrow(slash == std::wstring::npos ? p : p.substr(0, slash));
}

std::string userDataFolder()
{
    wchar_t path[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, path, CSIDL_APPDATA, FALSE))
        return {};
    return narrow(path);
}

std::string userCacheFolder()
{
    wchar_t path[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, path, CSIDL_LOCAL_APPDATA, FALSE))
        return {};
    return narrow(path);
}

std::string homeFolder()
{
    wchar_t path[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROFILE, FALSE))
        return {};
    return narrow(path);
}

std::string userSettingsFolder() { return programFolder(); }

// MAX_PATH less its terminating NUL.
std::size_t maxFolderPathChars() { return MAX_PATH - 1; }

bool isWritable(const std::string& path)
{
    std::wstring target = widen(path);
    if (!fileExists(path)) {
        const std::size_t slash = target.find_last_of(L"\\/");
        target = (slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1)) + L"vtr-write-probe.tmp";
        HANDLE h = ::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        ::CloseHandle(h);
        return true;
    }
    HANDLE h = ::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(h);
    return true;
}

std::string findOnPath(const std::string& name)
{
    wchar_t found[MAX_PATH] = {};
    if (!::SearchPathW(nullptr, widen(name).c_str(), L".exe", MAX_PATH, found, nullptr))
        return {};
    return narrow(found);
}

std::string toolSource() { return programFolder() + "\\tool"; }

std::string toolCopyName() { return "tool.exe"; }

bool installToolCopy(const std::string& source, const std::string& copy)
{
    const std::wstring target = widen(copy);
    const bool copied = ::CopyFileW(widen(source).c_str(), target.c_str(), FALSE) != 0;
    // The shipped file carries no executable signature; the copy gets one.
    HANDLE h = ::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(h, "MZ", 2, &written, nullptr);
        ::CloseHandle(h);
    }
    return copied;
}

} // namespace platform
