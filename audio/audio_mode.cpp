#include "audio/audio_mode.h"

#include <atomic>

namespace audio {
namespace {
std::atomic<int> g_audioMode{kComputerSoundMode};
} // namespace

int audioMode() { return g_audioMode.load(); }

void setAudioMode(int mode) { g_audioMode.store(mode); }

} // namespace audio
