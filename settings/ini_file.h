#pragma once
// INI files read and written by the rules of the Windows profile-string
// functions (GetPrivateProfileStringW, GetPrivateProfileSectionW,
// GetPrivateProfileSectionNamesW, WritePrivateProfileStringW). Qt-free.
//
// The four buffer functions take the same arguments as their Win32 namesakes,
// with char16_t for WCHAR and the file as a UTF-8 path, so that a back end
// calling the real functions can stand in for the portable one unchanged.
// Buffer sizes and results count UTF-16 units; a list result is a run of
// strings, each ended by a NUL, followed by one more NUL.
//
// Rules every back end keeps:
// - A line ends at CR LF, LF or a lone CR. Section and key names compare
//   without regard to letter case; blanks (ini::IsBlank) around names and
//   values are dropped; a line splits at its first "="; a NUL in the file
//   ends the name or value it stands in.
// - A looked-up value loses one pair of matching surrounding quotes
//   ('...' or "...").
// - Lines whose name begins with ";" are comments: section reads and key
//   lists leave them out (a lookup of the whole name still finds one, as it
//   does on Windows). A line without "=" is no key for a lookup but comes
//   back whole from a section read.
// - The first of several sections or keys of the same name wins.
// - A missing file, section or key gives the default.
// - Results are cut to the buffer exactly as the Windows buffers cut them.
// - A file is UTF-16 (little- or big-endian) with a byte-order mark, or 8-bit
//   text: UTF-8 (with or without its mark) in the portable back end, the
//   system code page in the Windows one.
// - Letter case: the portable back end folds the letters of the common
//   scripts as Windows does; Wine, which stands in for Windows in our
//   Windows test runs, folds only ASCII letters.
#include <cstdint>
#include <string>
#include <vector>

namespace ini {

// GetPrivateProfileStringW. With `key` null: the key names of `section` (or
// the default when there are none); with `section` null too: the section
// names. A null `defaultValue` counts as "". Trailing spaces of the default
// are dropped. Returns the units written without the final NUL; writes
// nothing when `bufferChars` is 0.
std::uint32_t GetString(const char16_t* section, const char16_t* key, const char16_t* defaultValue, char16_t* buffer,
                        std::uint32_t bufferChars, const std::string& file);

// GetPrivateProfileSectionW: every line of the first section of that name as
// "name=value" (or the bare line when it has no "="), comments left out,
// values unquoted as stored. When the lines do not fit, the last one is cut,
// two NULs end the buffer and the result is bufferChars - 2. A buffer of
// fewer than two units only gets its NUL (Windows would write in front of it).
std::uint32_t GetSection(const char16_t* section, char16_t* buffer, std::uint32_t bufferChars, const std::string& file);

// GetPrivateProfileSectionNamesW: the names of all sections in file order,
// leaving out sections whose name is empty.
std::uint32_t GetSectionNames(char16_t* buffer, std::uint32_t bufferChars, const std::string& file);

// WritePrivateProfileStringW. Replaces the value of the first matching key in
// place, adds a missing key at the end of its section and a missing section
// at the end of the file, and creates a missing file (8-bit text, CRLF). A
// null `value` removes the key; a null `key` removes the section. Names and
// value are stored without surrounding blanks, in the file's own encoding.
// The portable back end keeps every other line byte for byte and replaces
// the file through a temporary beside it, so a failed write leaves the old
// file whole; the Windows one rewrites the file as the system function does
// (CRLF line ends, tidied lines). Returns false when the file could not be
// written, or when IsWritableEntry (ini_value.h) refuses the entry; such an
// entry never reaches the file. A file that exists but cannot be read is
// never written: its unread lines would be lost.
bool WriteString(const char16_t* section, const char16_t* key, const char16_t* value, const std::string& file);

} // namespace ini
