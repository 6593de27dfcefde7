#pragma once
// What one tick of the 200 ms record timer decides: the tray image, the
// status text, and whether the recording restarts without sound or stops.
// Pure and Qt-free.
#include <cstdint>
#include <string>

namespace recording {

// Below this the recording is stopped: the encoder must not fill the disk.
inline constexpr std::uint64_t kMinFreeBytes = 10485760; // 10 MiB
// A start that produced no file after this many whole seconds is restarted
// without sound.
inline constexpr std::uint64_t kNoFileGraceSeconds = 3;

enum class TrayImage { Unchanged, Rec1, Rec2, Paused };

// Advances the blink counter: 16 ticks rec1, 15 ticks rec2, one tick
// unchanged (a period of 6.4 s).
TrayImage NextBlink(int& counter);

// "Recording... \n\n00:01:05\n\n" followed by the file's size, e.g. "1.50 MB";
// `caption` in place of "Recording... " while paused.
std::string RecordStatusText(std::uint64_t elapsedSeconds, std::int64_t fileBytes,
                             const std::string& caption = "Recording... ");

// True when the encoder has had its grace time and still wrote no file.
bool NeedsSoundlessRestart(std::uint64_t elapsedSeconds, const std::string& outputPath, bool outputExists);

// What the window gives a tick.
struct RecordTickInput {
    std::uint64_t nowMs = 0;     // the tick count
    std::uint64_t freeBytes = 0; // free space of the save folder
    std::string outputPath;      // the file the run writes; empty before it named one
    bool outputExists = false;
    std::int64_t outputBytes = 0; // the take so far: the file and any earlier stretches
    std::string pausedCaption = "Paused";
};

// What the window shows and does after a tick.
struct RecordTickResult {
    enum class Action {
        None,
        RestartWithoutSound, // no file came: the sound device could not be opened
        StopNoFile,          // no file came even without sound: restarting again would not help
        StopForLowDisk,
    };
    TrayImage trayImage = TrayImage::Unchanged;
    std::string statusText;
    std::uint64_t elapsedSeconds = 0;
    Action action = Action::None;
};

// The clock and the blink of one recording, its pauses, and its one
// soundless restart.
class RecordTicker {
public:
    // A run began at `nowMs`; `withSound` false for one that records no sound.
    void started(std::uint64_t nowMs, bool withSound);
    void stopped() { running_ = false; }
    // The clock stands still from a pause to its resume, and the tray shows
    // the pause.
    void paused(std::uint64_t nowMs);
    void resumed(std::uint64_t nowMs);
    // A restart without sound keeps the running count going from zero.
    std::uint64_t elapsedSeconds(std::uint64_t nowMs) const;
    RecordTickResult tick(const RecordTickInput& input);

private:
    std::uint64_t startMs_ = 0;
    std::uint64_t pausedMs_ = 0;  // the pauses before the current one
    std::uint64_t pauseFrom_ = 0; // the current pause's start; 0 when none
    int blink_ = 0;
    bool running_ = false;
    bool withSound_ = true;
    bool sawFile_ = false; // once a file came, a missing one is a stretch to come
};

} // namespace recording
