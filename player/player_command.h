#pragma once
// The player's arguments and slave commands. Pure and Qt-free.
#include "platform/player_program.h"

#include <cstdint>
#include <string>
#include <vector>

namespace player {

// Slave mode, drawing into the window `windowId`, playing `file`. The file
// follows "--", so a name that begins with "-" is not read as an option.
std::vector<std::string> BuildPlayerArguments(std::uint64_t windowId, const std::string& file,
                                              const platform::PlayerVideo& video);

// The three questions asked after every batch of answers.
inline constexpr const char* kPlayerQueries[] = {"get_time_length\n", "get_time_pos\n", "get_percent_pos\n"};

// A paused player shows the next frame and stays paused, then tells where
// it is and its frame rate. The position is asked as the property, which
// tells it to the microsecond and is told apart from the answers to the
// questions asked while it played.
inline constexpr const char* kStepForward = "frame_step\npausing_keep_force get_property time_pos\n"
                                            "pausing_keep_force get_property fps\n";
// The player cannot seek to a frame, only to a keyframe, and it seeks back
// from what it has read ahead, not from the frame it shows: stepping back
// seeks `seconds` back, shows the keyframe it lands on and tells where it
// is; the frames from there are stepped through (StepsTo).
std::string StepBackCommand(double seconds);
// The steps from the frame at `fromMs` to the one at `toMs`, then the
// question of where it is.
std::string StepsTo(std::int64_t fromMs, std::int64_t toMs, double frameMs);

// "seek 45 2\n": to an absolute second.
std::string SeekCommand(int seconds);

} // namespace player
