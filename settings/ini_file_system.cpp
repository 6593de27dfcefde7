// The INI functions through the system's own profile-string functions, so
// the files read and change exactly as every other program on that system
// sees them (its code page for 8-bit files, its cache, its rewriting of a
// file), with the guards the system functions lack.
#include "settings/ini_file_backends.h"

#include "platform/profile_strings.h"
#include "settings/ini_value.h"

namespace ini::system {

std::uint32_t GetString(const char16_t* section, const char16_t* key, const char16_t* defaultValue, char16_t* buffer,
                        std::uint32_t bufferChars, const std::string& file)
{
    if (!buffer || bufferChars == 0)
        return 0;
    // A list, or a quoted value, in a buffer of one unit makes the function
    // write in front of the buffer; nothing but the NUL fits anyway.
    if (bufferChars < 2) {
        buffer[0] = 0;
        return 0;
    }
    return platform::profileString(section, key, defaultValue, buffer, bufferChars, file);
}

std::uint32_t GetSection(const char16_t* section, char16_t* buffer, std::uint32_t bufferChars, const std::string& file)
{
    if (!section || !buffer || bufferChars == 0)
        return 0;
    // Given fewer than two units the function writes in front of the buffer
    // and answers a huge count; no line fits anyway, so it is not asked.
    if (bufferChars < 2) {
        buffer[0] = 0;
        return 0;
    }
    return platform::profileSection(section, buffer, bufferChars, file);
}

std::uint32_t GetSectionNames(char16_t* buffer, std::uint32_t bufferChars, const std::string& file)
{
    if (!buffer || bufferChars == 0)
        return 0;
    return platform::profileSectionNames(buffer, bufferChars, file);
}

bool WriteString(const char16_t* section, const char16_t* key, const char16_t* value, const std::string& file)
{
    // A null section would flush the cache instead of writing; a line break
    // would leave a stray line behind the entry.
    if (!IsWritableEntry(section, key, value) || platform::profileFileUnreadable(file))
        return false;
    // The function drops the blanks in front of a key or value but, while
    // the file sits in its cache, writes the ones behind it; every read drops
    // them again, so they are dropped here and the file comes out the same
    // whatever the cache holds.
    const std::u16string sectionName = Trimmed(section);
    const std::u16string keyName = Trimmed(key);
    const std::u16string text = Trimmed(value);
    return platform::writeProfileString(sectionName.c_str(), key ? keyName.c_str() : nullptr,
                                        value ? text.c_str() : nullptr, file);
}

} // namespace ini::system
