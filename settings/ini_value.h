#pragma once
// Helpers around the INI functions that do not depend on their back end.
#include <cstdint>
#include <string>
#include <vector>

namespace ini {

// The blanks trimmed around names and values: white space, and Ctrl-Z, the
// old end-of-file mark.
bool IsBlank(char16_t c);

// `value` as it must be written for a lookup to give it back unchanged: in
// double quotes when it has blanks at either end or is itself quoted.
std::u16string ExactValue(std::u16string value);

// The strings of a list result: the first `count` units of `buffer` split at
// each NUL. Stops at the first empty string, as a walk over a list does.
std::vector<std::u16string> SplitList(const char16_t* buffer, std::uint32_t count);

} // namespace ini
