#include "player/player_command.h"

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
