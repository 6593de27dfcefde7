#pragma once
// Where the settings files lie: read-only defaults shipped in the program
// folder, and the user's own copies, where every choice is stored (the same
// files on Windows, see platform::userSettingsFolder). Qt-free; UTF-8 paths.
#include <string>

namespace settings {

inline constexpr const char* kConfigFileName = "config.ini";
inline constexpr const char* kSettingsFileName = "ScreenRecord.ini";

// The program folder's file of that name.
std::string DefaultsFilePath(const std::string& name);
// The user's file of that name.
std::string UserFilePath(const std::string& name);

// Creates the folder of a user file before its first write. False when it
// cannot be made.
bool PrepareUserFile(const std::string& path);

// Takes the values that an earlier build stored in the program folder's
// files (the save folder, and the language when that folder is writable, as
// a build tree is) into the user's files that do not exist yet; the user's
// file, once there, is never taken over again. Does nothing when both folders
// are one.
void TakeOverProgramFolderSettings(const std::string& programFolder, const std::string& userFolder);
void TakeOverProgramFolderSettings();

} // namespace settings
