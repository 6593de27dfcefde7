#pragma once
// Our own message boxes as the window system should treat them. Qt-free.
#include <cstdint>

namespace platform {

// True where a borderless tool-tip kind of window can still be given a
// taskbar button of its own (Windows). Elsewhere such a window lies outside
// the window manager (X11 override-redirect): it would stay above every
// window, take no keyboard focus and show in no taskbar, so a frameless
// dialog is used instead.
bool toolTipWindowCanOwnTaskbarEntry();

// Gives the native window its own taskbar button and takes away any
// "always on top". Does nothing where the window manager decides both.
void giveOwnTaskbarEntry(std::uintptr_t nativeWindow);

} // namespace platform
