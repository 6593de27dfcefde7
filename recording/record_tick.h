#pragma once
// What one tick of the 200 ms record timer decides. Pure and Qt-free.
#include <cstdint>
#include <string>

// Below this the recording is stopped: the encoder must not fill the disk.
inline constexpr std::uint64_t kMinFreeBytes = 10485760; // 10 MiB
// A start that produced no file after this many whole seconds is restarted
// without sound.
inline constexpr std::uint64_t kNoFileGraceSeconds = 3;

enum class TrayImage { Unchanged, Rec1, Rec2 };

// Advances the blink counter: 16 ticks rec1, 15 ticks rec2, one tick
// unchanged (a period of 6.4 s).
TrayImage NextBlink(int& counter);

// "Recording... \n\n00:01:05\n\n" followed by the file's size, e.g. "1.50 MB".
std::string RecordStatusText(std::uint64_t elapsedSeconds, std::int64_t fileBytes);

// True when the encoder has had its grace time and still wrote no file.
bool NeedsSoundlessRestart(std::uint64_t elapsedSeconds, const std::string& outputPath, bool outputExists);
