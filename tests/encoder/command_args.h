#pragma once
// Command lines read as the encoder gets them: split into arguments by the
// platform's own rules, so that a check holds whatever the blanks or the
// order of the options that do not matter.
#include "platform/command_line.h"

#include <string>
#include <vector>

namespace testing_support {

// The arguments after the program.
inline std::vector<std::string> argsOf(const std::string& line)
{
    std::vector<std::string> args = platform::splitCommandLine(line);
    if (!args.empty())
        args.erase(args.begin());
    return args;
}

// Where `word` stands in `args` at or after `from`; args.size() when nowhere.
inline std::size_t indexOf(const std::vector<std::string>& args, const std::string& word, std::size_t from = 0)
{
    for (std::size_t i = from; i < args.size(); ++i)
        if (args[i] == word)
            return i;
    return args.size();
}

// The argument after the first `option` at or after `from`; empty when none.
inline std::string valueOf(const std::vector<std::string>& args, const std::string& option, std::size_t from = 0)
{
    const std::size_t at = indexOf(args, option, from);
    return at + 1 < args.size() ? args[at + 1] : std::string();
}

// `arg` names the file `path` and nothing else: the path itself, or the
// path behind the encoder's plain-file prefix.
inline bool namesFile(const std::string& arg, const std::string& path) { return arg == path || arg == "file:" + path; }

} // namespace testing_support
