#pragma once
// Helpers around the INI functions that do not depend on their back end.
#include <cstdint>
#include <string>
#include <vector>

namespace ini {

// The blanks trimmed around names and values: the ASCII white space (tab,
// line breaks, vertical tab, form feed, space) and Ctrl-Z, the old
// end-of-file mark. Other spaces, such as U+00A0, are kept as the Windows
// functions keep them.
bool IsBlank(char16_t c);

// `text` without the blanks at either end; "" for null.
std::u16string Trimmed(const char16_t* text);

// Whether WriteString may store this entry: a section is given, and no name
// or value (blanks around them dropped) holds a line break, nor the key an
// "=" or a leading "[", which the file could not hold as one entry. Every
// back end checks this first, so a rejected entry never reaches the file.
bool IsWritableEntry(const char16_t* section, const char16_t* key, const char16_t* value);

// `value` as it must be written for a lookup to give it back unchanged: in
// double quotes when it has blanks at either end or is itself quoted.
std::u16string ExactValue(std::u16string value);

// The strings of a list result: the first `count` units of `buffer` split at
// each NUL. Stops at the first empty string, as a walk over a list does.
std::vector<std::u16string> SplitList(const char16_t* buffer, std::uint32_t count);

} // namespace ini
