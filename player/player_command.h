#pragma once
// The player's arguments and slave commands. Pure and Qt-free.
#include "platform/player_program.h"

#include <cstdint>
#include <string>
#include <vector>

// Slave mode, drawing into the window `windowId`, playing `file`. The file
// follows "--", so a name that begins with "-" is not read as an option.
std::vector<std::string> BuildPlayerArguments(std::uint64_t windowId, const std::string& file,
                                              const platform::PlayerVideo& video);

// The three questions asked after every batch of answers.
inline constexpr const char* kPlayerQueries[] = {"get_time_length\n", "get_time_pos\n", "get_percent_pos\n"};

// "seek 45 2\n": to an absolute second.
std::string SeekCommand(int seconds);
