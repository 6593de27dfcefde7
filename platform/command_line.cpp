#include "platform/command_line.h"

namespace platform {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

} // namespace

std::vector<std::string> splitCommandLine(std::string_view line)
{
    std::vector<std::string> args;
    std::size_t i = 0;
    const std::size_t n = line.size();

    // The program name: no escapes, a quote only groups.
    while (i < n && isBlank(line[i]))
        ++i;
    if (i == n)
        return args;
    std::string program;
    if (line[i] == '"') {
        ++i;
        while (i < n && line[i] != '"')
            program += line[i++];
        if (i < n)
            ++i;
    } else {
        while (i < n && !isBlank(line[i]))
            program += line[i++];
    }
    args.push_back(std::move(program));

    while (true) {
        while (i < n && isBlank(line[i]))
            ++i;
        if (i >= n)
            break;
        std::string arg;
        // Quotes are counted, not just toggled: 1 means inside a group. In a
        // run of quotes every third one is a literal quote, and a run that
        // leaves the count at 2 closes the group. So in "a""b" c the "" gives
        // a quote and closes the group, the quote after b opens a new one, and
        // the whole is one argument `a"b c` (CommandLineToArgvW's undocumented
        // but stable behaviour, which the encoder's own parsing follows).
        int quotes = 0;
        while (i < n && (quotes == 1 || !isBlank(line[i]))) {
            if (line[i] == '\\') {
                std::size_t slashes = 0;
                while (i < n && line[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        arg += '"';
                        ++i;
                        // Quotes right after an escaped one still count.
                        for (; i < n && line[i] == '"'; ++i)
                            if (++quotes == 3) {
                                arg += '"';
                                quotes = 0;
                            }
                        if (quotes == 2)
                            quotes = 0;
                    }
                    // An even count leaves the quote to the rule below.
                } else {
                    arg.append(slashes, '\\');
                }
                continue;
            }
            if (line[i] == '"') {
                ++quotes;
                for (++i; i < n && line[i] == '"'; ++i)
                    if (++quotes == 3) {
                        arg += '"';
                        quotes = 0;
                    }
                if (quotes == 2)
                    quotes = 0;
                continue;
            }
            arg += line[i++];
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::string quoteArgument(std::string_view text)
{
    std::string out = "\"";
    std::size_t slashes = 0;
    for (char c : text) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        if (c == '"') {
            out.append(slashes * 2 + 1, '\\');
            out += '"';
        } else {
            out.append(slashes, '\\');
            out += c;
        }
        slashes = 0;
    }
    // Backslashes before the closing quote must not escape it.
    out.append(slashes * 2, '\\');
    out += '"';
    return out;
}

} // namespace platform
