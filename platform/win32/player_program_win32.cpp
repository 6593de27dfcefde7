#include "platform/player_program.h"

namespace platform {

std::string playerProgram() { return "Player.exe"; }

PlayerVideo playerVideo() { return {"direct3d", {}}; }

} // namespace platform
