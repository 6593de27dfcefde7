#include "library/recording_length.h"

#include "encoder/stream_ops.h"

namespace library {

std::string ProbeRecordingLength(const std::string& path) { return encoder::ProbeDuration(path); }

} // namespace library
