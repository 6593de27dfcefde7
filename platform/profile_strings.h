#pragma once
// The system's own profile-string functions, where it has them (Windows):
// the settings files then read and change exactly as every other program on
// that system sees them. Elsewhere `systemProfileFunctions()` is false and
// the settings layer reads the files by the same rules itself. Buffers and
// counts are UTF-16 units, as in the Win32 functions; `file` is a UTF-8 path,
// made absolute here (the system functions would look for a bare name in the
// Windows folder). Qt-free.
#include <cstdint>
#include <string>

namespace platform {

bool systemProfileFunctions();

std::uint32_t profileString(const char16_t* section, const char16_t* key, const char16_t* defaultValue,
                            char16_t* buffer, std::uint32_t bufferChars, const std::string& file);
std::uint32_t profileSection(const char16_t* section, char16_t* buffer, std::uint32_t bufferChars,
                             const std::string& file);
std::uint32_t profileSectionNames(char16_t* buffer, std::uint32_t bufferChars, const std::string& file);
bool writeProfileString(const char16_t* section, const char16_t* key, const char16_t* value, const std::string& file);

// The file is there but may not be read: a system write would take it as
// empty and replace it with the one entry.
bool profileFileUnreadable(const std::string& file);

} // namespace platform
