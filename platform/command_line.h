#pragma once
// One command-line string means the same on every platform: it is split into
// arguments by the rules the Windows C runtime uses (CommandLineToArgvW).
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits like CommandLineToArgvW: blanks separate; double quotes group;
// 2n backslashes before a quote give n backslashes and the quote toggles
// grouping, 2n+1 give n backslashes and a literal quote; "" inside a group is
// a literal quote and ends the group. The first argument (the program) is
// taken raw: up to the next quote when it starts with one, else up to the
// next blank.
std::vector<std::string> splitCommandLine(std::string_view line);

// `text` inside double quotes, escaped so that splitCommandLine gives it back
// unchanged. Text without quotes or trailing backslashes is only wrapped.
std::string quoteArgument(std::string_view text);

} // namespace platform
