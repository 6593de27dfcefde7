// The INI functions on Windows: the system's own profile-string functions,
// so the files read and change exactly as every other Windows program sees
// them (its code page for 8-bit files, its cache, its rewriting of a file).
#include "settings/ini_file.h"

#include "platform/win32/wide.h"
#include "settings/ini_value.h"

#include <windows.h>

namespace ini {

namespace {

// WCHAR is 16 bits here, as char16_t is, so buffers pass through unchanged.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

// The profile functions look for a file without a folder in the Windows
// folder; our callers mean a file relative to the current folder, as on
// every other system, so the name is made absolute first.
std::wstring filePath(const std::string& file)
{
    const std::wstring name = platform::win32::widen(file);
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

// A file that is there but that we may not read: the system function would
// take it as empty and replace it with the one entry.
bool unreadable(const std::wstring& path)
{
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        ::CloseHandle(h);
        return false;
    }
    return ::GetLastError() == ERROR_ACCESS_DENIED && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES
        && !(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

std::uint32_t GetString(const char16_t* section, const char16_t* key, const char16_t* defaultValue,
                        char16_t* buffer, std::uint32_t bufferChars, const std::string& file)
{
    if (!buffer || bufferChars == 0)
        return 0;
    // A list, or a quoted value, in a buffer of one unit makes the function
    // write in front of the buffer; nothing but the NUL fits anyway.
    if (bufferChars < 2) {
        buffer[0] = 0;
        return 0;
    }
    return ::GetPrivateProfileStringW(wide(section), wide(key), wide(defaultValue), wide(buffer), bufferChars,
                                      filePath(file).c_str());
}

std::uint32_t GetSection(const char16_t* section, char16_t* buffer, std::uint32_t bufferChars,
                         const std::string& file)
{
    if (!section || !buffer || bufferChars == 0)
        return 0;
    // Given fewer than two units the function writes in front of the buffer
    // and answers a huge count; no line fits anyway, so it is not asked.
    if (bufferChars < 2) {
        buffer[0] = 0;
        return 0;
    }
    return ::GetPrivateProfileSectionW(wide(section), wide(buffer), bufferChars, filePath(file).c_str());
}

std::uint32_t GetSectionNames(char16_t* buffer, std::uint32_t bufferChars, const std::string& file)
{
    if (!buffer || bufferChars == 0)
        return 0;
    return ::GetPrivateProfileSectionNamesW(wide(buffer), bufferChars, filePath(file).c_str());
}

bool WriteString(const char16_t* section, const char16_t* key, const char16_t* value, const std::string& file)
{
    // A null section would flush the cache instead of writing; a line break
    // would leave a stray line behind the entry.
    if (!IsWritableEntry(section, key, value) || unreadable(filePath(file)))
        return false;
    // The function drops the blanks in front of a key or value but, while
    // the file sits in its cache, writes the ones behind it; every read drops
    // them again, so they are dropped here and the file comes out the same
    // whatever the cache holds.
    const std::u16string sectionName = Trimmed(section);
    const std::u16string keyName = Trimmed(key);
    const std::u16string text = Trimmed(value);
    return ::WritePrivateProfileStringW(wide(sectionName.c_str()), key ? wide(keyName.c_str()) : nullptr,
                                        value ? wide(text.c_str()) : nullptr, filePath(file).c_str())
        != FALSE;
}

} // namespace ini
