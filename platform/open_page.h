#pragma once
// Opens a web address in the user's browser. Qt-free.
#include <string>

namespace platform {

// Hands `url` to the desktop (the shell's "open" on Windows, xdg-open
// elsewhere) and returns at once. False when it could not be handed over.
bool openPage(const std::string& url);

} // namespace platform
