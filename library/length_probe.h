#pragma once
// A recording's length as the encoder reads it, for the lengths a listing
// cannot take from the file itself. Qt-free.
#include "media/recording_length.h"

#include <string>

namespace library {

// How a listing learns a length its file does not tell.
using DurationProbe = media::DurationProbe;

// "00:01:23"; empty when the encoder gave none (a missing file, one that is
// not a recording). Blocks until the encoder has ended: never on the
// interface thread.
std::string ProbeRecordingLength(const std::string& path);

} // namespace library
