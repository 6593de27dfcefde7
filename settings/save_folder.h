#pragma once
// The save folder of ScreenRecord.ini (section screen_record, key save_path)
// in the user's settings folder. Qt-free; paths and folders are UTF-8.
#include <string>

namespace settings {

// The user's ScreenRecord.ini. The main window forms it once and passes it
// to the calls below.
std::string SettingsFilePath();

// The stored folder, whole and exactly as stored (an empty value stays
// empty), or the system's default folder when the file, the section or the
// key is missing. Never creates the file.
std::string ReadSaveFolder(const std::string& settingsPath);

// Whether the system's file calls take `folder` as it is; a longer one must
// be refused with a message, never cut into another folder.
bool SaveFolderFits(const std::string& folder);

// Stores `folder` as save_path, creating the settings folder if needed.
// False when it was not stored: an empty folder, or a file that cannot be
// written (the old file then stays whole).
bool StoreSaveFolder(const std::string& settingsPath, const std::string& folder);

} // namespace settings
