#pragma once
// What part of the desktop is recorded, in ScreenRecord.ini (section
// screen_record: capture = desktop, screen, area or window; capture_area =
// "x,y,w,h"; capture_window = the window's handle), the countdown before a
// recording (countdown = 0, 3 or 5 seconds), whether the sources are also
// kept as tracks of their own (separate_tracks = 0 or 1) and the
// recording's hotkeys. A window's handle lasts only while it is open, so a
// restored window choice records where the window was if it is gone.
// Qt-free.
#include "util/capture_choice.h"

#include <string>

namespace settings {

// The stored choice; the whole desktop when none is stored or it does not
// read back (an area that does not parse).
util::CaptureChoice ReadCaptureChoice(const std::string& settingsPath);
// False when the file cannot be written.
bool StoreCaptureChoice(const std::string& settingsPath, const util::CaptureChoice& choice);

// The seconds counted down before a recording starts: 0 (none, the
// default), 3 or 5; any other stored value is 0.
int ReadCountdownSeconds(const std::string& settingsPath);
bool StoreCountdownSeconds(const std::string& settingsPath, int seconds);

// Off unless "1" is stored.
bool ReadSeparateTracks(const std::string& settingsPath);
bool StoreSeparateTracks(const std::string& settingsPath, bool separate);

// The hotkey that starts and stops a recording from any program
// (hotkey_record): Ctrl+Shift+F9 unless another is stored. The desktops
// keep Super and Alt with the F keys for themselves, browsers and editors
// use the bare F keys and Ctrl+Shift with letters; Ctrl+Shift+F9 is bound
// by none of the common ones.
inline constexpr const char* kDefaultRecordHotkey = "Ctrl+Shift+F9";
// Stored by a user who wants no hotkey at all.
inline constexpr const char* kNoHotkey = "None";
std::string ReadRecordHotkey(const std::string& settingsPath);
bool StoreRecordHotkey(const std::string& settingsPath, const std::string& keys);

// The hotkey that pauses and resumes a recording (hotkey_pause):
// Ctrl+Shift+F10 unless another is stored. It lies beside the start/stop key
// and is likewise bound by none of the common desktops; Shift+F10 alone
// still opens context menus.
inline constexpr const char* kDefaultPauseHotkey = "Ctrl+Shift+F10";
std::string ReadPauseHotkey(const std::string& settingsPath);
bool StorePauseHotkey(const std::string& settingsPath, const std::string& keys);

} // namespace settings
