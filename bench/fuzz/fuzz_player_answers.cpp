// The player's answers, line by line, as the cut page applies them; a line
// "@N" stands for the user moving the slider to N.
#include "player/player_state.h"

#include <cstdlib>
#include <string>

using player::LeadingInteger;
using player::PlayerState;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    PlayerState state;
    std::size_t from = 0;
    while (from <= text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(from, end - from);
        if (!line.empty() && line[0] == '@')
            state.seekTo(std::atoi(line.c_str() + 1));
        else
            state.applyLine(line);
        from = end + 1;
    }
    (void)LeadingInteger(text);
    return 0;
}
