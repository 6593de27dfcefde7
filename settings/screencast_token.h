#pragma once
// The screen-cast portal's restore token in ScreenRecord.ini (section
// screen_record, key screencast_token): with it a Wayland desktop asks only
// once which screen to share. Qt-free.
#include <string>

namespace settings {

// The stored token, or "" when there is none.
std::string ReadScreenCastToken(const std::string& settingsPath);
// Stores `token` (an empty one clears it), making the settings folder where
// it is missing. False when the folder cannot be made or the file cannot be
// written (a read-only home); the next start then asks again.
bool StoreScreenCastToken(const std::string& settingsPath, const std::string& token);

} // namespace settings
