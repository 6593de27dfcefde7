// The command-line splitter: any line splits, and any arguments it gives
// come back unchanged through quoteArgument.
#include "platform/command_line.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> args = platform::splitCommandLine(line);
    std::string again = "program";
    for (std::size_t i = 1; i < args.size(); ++i)
        again += " " + platform::quoteArgument(args[i]);
    const std::vector<std::string> back = platform::splitCommandLine(again);
    if (back.size() != (args.empty() ? 1 : args.size()))
        std::abort();
    for (std::size_t i = 1; i < args.size(); ++i)
        if (back[i] != args[i])
            std::abort();
    return 0;
}
