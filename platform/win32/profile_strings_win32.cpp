#include "platform/profile_strings.h"

#include "platform/win32/wide.h"

#include <windows.h>

namespace platform {

namespace {

// WCHAR is 16 bits here, as char16_t is, so buffers pass through unchanged.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

std::wstring filePath(const std::string& file)
{
    const std::wstring name = win32::widen(file);
    if (name.empty())
        return name;
    const DWORD needed = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return name;
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(name.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return name;
    full.resize(length);
    return full;
}

} // namespace

bool systemProfileFunctions() { return true; }

std::uint32_t profileString(const char16_t* section, const char16_t* key, const char16_t* defaultValue,
                            char16_t* buffer, std::uint32_t bufferChars, const std::string& file)
{
    return ::GetPrivateProfileStringW(wide(section), wide(key), wide(defaultValue), wide(buffer), bufferChars,
                                      filePath(file).c_str());
}

std::uint32_t profileSection(const char16_t* section, char16_t* buffer, std::uint32_t bufferChars,
                             const std::string& file)
{
    return ::GetPrivateProfileSectionW(wide(section), wide(buffer), bufferChars, filePath(file).c_str());
}

std::uint32_t profileSectionNames(char16_t* buffer, std::uint32_t bufferChars, const std::string& file)
{
    return ::GetPrivateProfileSectionNamesW(wide(buffer), bufferChars, filePath(file).c_str());
}

bool writeProfileString(const char16_t* section, const char16_t* key, const char16_t* value, const std::string& file)
{
    return ::WritePrivateProfileStringW(wide(section), wide(key), wide(value), filePath(file).c_str()) != FALSE;
}

bool profileFileUnreadable(const std::string& file)
{
    const std::wstring path = filePath(file);
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        ::CloseHandle(h);
        return false;
    }
    const DWORD error = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES
        && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace platform
