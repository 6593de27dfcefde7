#include "platform/player_program.h"

#include "platform/files.h"
#include "platform/paths.h"

namespace platform {

std::string playerProgram()
{
    const std::string shipped = programFolder() + "/Player";
    if (fileExists(shipped))
        return shipped;
    const std::string found = findOnPath("mplayer");
    return found.empty() ? "mplayer" : found;
}

// X11 output scales to the window only with -zoom; -nolirc keeps the remote
// control's complaints out of the answers.
PlayerVideo playerVideo() { return {"x11", {"-zoom", "-nolirc"}}; }

} // namespace platform
