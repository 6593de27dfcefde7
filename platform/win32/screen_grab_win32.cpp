#include "platform/screen_grab.h"

namespace platform {

// Windows records through the encoder's own desktop grab.
std::unique_ptr<ScreenGrab> openScreenGrab(const std::string&, const ScreenArea&, std::uint64_t) { return nullptr; }

} // namespace platform
