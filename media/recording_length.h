#pragma once
// The length of a recording: read from the MP4 boxes where they tell it,
// with the answer the encoder's own description would give, and from the
// encoder's description where they do not. Qt-free; safe on several threads.
#include <cstdint>
#include <functional>
#include <string>

namespace media {

// "00:01:23" from the encoder's description of a file; empty when it gave none.
using DurationProbe = std::function<std::string(const std::string& path)>;

// The hours, minutes and seconds ("00:01:23") after the last "Duration: " in
// the encoder's description of its input; empty when there is none.
std::string DurationIn(const std::string& description);

// "00:01:23" from the encoder's description of `path`; empty when it gave
// none (a missing file, one that is not a recording). Blocks until the
// encoder has ended.
std::string ProbeDuration(const std::string& path);

// "HH:MM:SS" as the encoder's description shows that length: rounded to
// hundredths, then cut to whole seconds.
std::string DurationText(std::int64_t microseconds);

// True for a "HH:MM:SS" length; the probe may also have given the eight
// characters after "Duration: N/A" for a stream that tells no length.
bool IsDurationText(const std::string& text);

// The length shown for a recording: from its boxes, else from `probe`, which
// is not asked about a file that cannot be opened. Empty when neither knows.
std::string RecordingLength(const std::string& path, const DurationProbe& probe);

// The same in microseconds (whole seconds where only `probe` knows); -1
// when neither knows.
std::int64_t RecordingMicroseconds(const std::string& path, const DurationProbe& probe);

} // namespace media
