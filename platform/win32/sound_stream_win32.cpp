#include "platform/sound_stream.h"

namespace platform {

// Recordings here keep the encoder's DirectShow input: capture through
// WASAPI is not proven under Wine.
std::unique_ptr<SoundStream> openSoundStream(const std::string&) { return nullptr; }

bool soundStreamsAvailable() { return false; }

} // namespace platform
