#pragma once
// Well-known folders and the encoder executable's names. Qt-free.
#include <cstddef>
#include <string>

namespace platform {

// Folder of the running executable, without a trailing separator.
std::string programFolder();
// The user's application-data folder (APPDATA; XDG_DATA_HOME or
// ~/.local/share), without a trailing separator. Empty when unknown.
std::string userDataFolder();
// The user's folder for data that may be thrown away (LOCALAPPDATA;
// XDG_CACHE_HOME or ~/.cache), without a trailing separator. Empty when
// unknown.
std::string userCacheFolder();
// The user's home folder, without a trailing separator.
std::string homeFolder();
// Where the user's own settings files are stored, without a trailing
// separator: the program folder on Windows; elsewhere
// $XDG_CONFIG_HOME/vantreel-screen-recorder (default ~/.config/...), since an
// installed program's folder is read-only.
std::string userSettingsFolder();
// The longest folder path, in UTF-16 units, that the system's file calls
// take without a special prefix; 0 when there is no such limit.
std::size_t maxFolderPathChars();
// Whether this user may write `path` (a missing file: its folder).
bool isWritable(const std::string& path);

// The encoder the program ships: `tool` beside the program; on POSIX, when
// there is none, the ffmpeg found on PATH. Empty when there is none at all.
std::string toolSource();
// File name of the per-user runnable copy of the encoder.
std::string toolCopyName();
// Copies the encoder to `copy` in a runnable form. False on failure; an
// existing copy is then left as it was.
bool installToolCopy(const std::string& source, const std::string& copy);

// Full path of `name` looked up along PATH; empty when not found.
std::string findOnPath(const std::string& name);

} // namespace platform
