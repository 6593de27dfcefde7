#pragma once
// The external player and how it draws into a window of ours. Qt-free.
#include <string>
#include <vector>

namespace platform {

// The player to start: on Windows "Player.exe", found beside the program by
// the system's search; elsewhere `Player` beside the program, else the
// mplayer found on PATH ("mplayer" when there is none, so that starting it
// fails visibly).
std::string playerProgram();

// The video output that can draw into a foreign window here, and what else
// that output needs to fill it.
struct PlayerVideo {
    std::string driver;
    std::vector<std::string> extraArgs;
};
PlayerVideo playerVideo();

} // namespace platform
