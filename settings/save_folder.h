#pragma once
// The save folder of ScreenRecord.ini (section screen_record, key save_path),
// the file beside the executable. Qt-free; paths and folders are UTF-8.
#include <cstddef>
#include <string>

namespace settings {

inline constexpr const char* kSettingsFileName = "ScreenRecord.ini";
inline constexpr const char* kSaveSection = "screen_record";
inline constexpr const char* kSaveKey = "save_path";
// Read buffer for the folder, in UTF-16 units with the final NUL: a longer
// stored folder is cut to 259 units.
inline constexpr std::size_t kSaveFolderBufferChars = 260;

// Program folder + separator + "ScreenRecord.ini". The main window forms it
// once and passes it to the two calls below.
std::string SettingsFilePath();

// The stored folder, exactly as stored (an empty value stays empty), or the
// system's default folder when the file, the section or the key is missing.
// Never creates the file.
std::string ReadSaveFolder(const std::string& settingsPath);

// Stores `folder` as save_path. False when it was not stored: an empty
// folder, or a file that cannot be written (the old file then stays whole).
bool StoreSaveFolder(const std::string& settingsPath, const std::string& folder);

} // namespace settings
