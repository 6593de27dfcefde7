#pragma once
// Pictures of a recording, each made by one run of the encoder: the row's
// picture from its first second, and the strip of pictures along its length.
// Each blocks the calling thread until the encoder has ended; a stop
// requested on `stop` ends the run within a few passes of the runner.
// Qt-free.
#include <stop_token>
#include <string>

namespace library {

inline constexpr int kRowPictureWidth = 96;
inline constexpr int kStripPictures = 10;
inline constexpr int kStripPictureWidth = 96;

// True when `output` then holds the picture; on false no file is left there.
// A recording shorter than two seconds gives its middle frame.
bool MakeRowPicture(const std::string& source, const std::string& output, std::stop_token stop = {});
// kStripPictures frames evenly spaced over the recording's length, side by
// side in one picture. False as above, also when the length cannot be told.
bool MakeStripPicture(const std::string& source, const std::string& output, std::stop_token stop = {});

} // namespace library
