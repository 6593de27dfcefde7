#include "player/player_command.h"

#include <cmath>
#include <cstdio>

namespace player {

std::vector<std::string> BuildPlayerArguments(std::uint64_t windowId, const std::string& file,
                                              const platform::PlayerVideo& video)
{
    std::vector<std::string> args{"-slave", "-quiet",    "-aspect", "16:9", "-wid", std::to_string(windowId),
                                  "-vo",    video.driver};
    args.insert(args.end(), video.extraArgs.begin(), video.extraArgs.end());
    args.insert(args.end(), {"-lavdopts", "threads=4", "-geometry", "700:300", "-x", "700", "-y", "300", "--", file});
    return args;
}

std::string SeekCommand(int seconds) { return "seek " + std::to_string(seconds) + " 2\n"; }

std::string StepBackCommand(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return std::string("pausing_keep_force seek -") + text + " 0\n" + kStepForward;
}

std::string StepsTo(std::int64_t fromMs, std::int64_t toMs, double frameMs)
{
    const long long steps = frameMs > 0 ? std::llround((toMs - fromMs) / frameMs) : 0;
    std::string commands;
    for (long long k = 0; k < steps && k < 100000; ++k)
        commands += "frame_step\n";
    return commands + "pausing_keep_force get_property time_pos\n";
}

} // namespace player
