#pragma once
// What part of the desktop is recorded, in ScreenRecord.ini (section
// screen_record: capture = desktop, screen, area or window; capture_area =
// "x,y,w,h"; capture_window = the window's handle), and the countdown before
// a recording (countdown = 0, 3 or 5 seconds). A window's handle lasts only
// while it is open, so a restored window choice records where the window
// was if it is gone. Qt-free.
#include "util/capture_choice.h"

#include <string>

namespace settings {

// The stored choice; the whole desktop when none is stored or it does not
// read back (an area that does not parse).
CaptureChoice ReadCaptureChoice(const std::string& settingsPath);
// False when the file cannot be written.
bool StoreCaptureChoice(const std::string& settingsPath, const CaptureChoice& choice);

// The seconds counted down before a recording starts: 0 (none, the
// default), 3 or 5; any other stored value is 0.
int ReadCountdownSeconds(const std::string& settingsPath);
bool StoreCountdownSeconds(const std::string& settingsPath, int seconds);

} // namespace settings
