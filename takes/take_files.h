#pragma once
// The files of one take. While recording, the encoder writes the take twice
// at once: as a transport stream, which can be read back up to its last
// packets whatever ends the encoder (a crash, a kill, a power cut), and as
// the plain MP4 the user gets, which is whole only once the encoder has
// finished it. Neither working name holds ".mp4", so no page offers them as
// recordings. Pure and Qt-free.
#include <optional>
#include <string>

namespace takes {

struct TakeFiles {
    std::string recording;  // "<stem>.mp4": the finished recording
    std::string working;    // "<stem>.recording.ts": the take as it is recorded
    std::string workingMp4; // "<stem>.recording.part": the MP4 while the encoder writes it
};

// Frames per second of every recording.
inline constexpr double kRecordFps = 60.97;

inline constexpr const char* kWorkingSuffix = ".recording.ts";

// The take whose recording is `recordingPath` ("<stem>.mp4").
TakeFiles TakeFilesOf(const std::string& recordingPath);
// The take a working file belongs to; none when `workingPath` does not end
// with kWorkingSuffix.
std::optional<TakeFiles> TakeOfWorkingFile(const std::string& workingPath);

// The encoder's output of a take whose video is input `videoInput`: both
// forms through its tee, the transport stream flushed packet by packet.
// `moreMaps` (each starting with a blank) come after the video's: the
// separate sound tracks. Starts with a blank.
std::string BuildTakeOutput(int videoInput, const TakeFiles& files, const std::string& moreMaps = {});

} // namespace takes
