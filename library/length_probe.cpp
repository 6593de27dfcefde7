#include "library/length_probe.h"

#include "media/recording_length.h"

namespace library {

std::string ProbeRecordingLength(const std::string& path) { return media::ProbeDuration(path); }

} // namespace library
