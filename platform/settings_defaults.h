#pragma once
// Defaults of the settings files that differ between systems. Qt-free.
#include <string>

namespace platform {

// Folder that recordings go to until the user picks one: "C:\VantreelSave"
// on Windows, the folder VantreelSave in the user's home folder elsewhere.
std::string defaultSaveFolder();

} // namespace platform
