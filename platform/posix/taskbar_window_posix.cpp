#include "platform/taskbar_window.h"

namespace platform {

bool toolTipWindowCanOwnTaskbarEntry() { return false; }

// A normal dialog window already has both under an X window manager.
void giveOwnTaskbarEntry(std::uintptr_t) { }

} // namespace platform
