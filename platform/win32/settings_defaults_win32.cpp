#include "platform/settings_defaults.h"

namespace platform {

std::string defaultSaveFolder() { return "C:\\VantreelSave"; }

} // namespace platform
