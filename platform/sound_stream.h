#pragma once
// One sound source read by this program: 16-bit stereo PCM, each piece
// stamped with the wall-clock instant of its first sample, the clock the
// frames are stamped with. Qt-free.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// The rate of every recording's sound.
inline constexpr int kSoundRate = 44100;
inline constexpr int kSoundChannels = 2;

struct SoundPiece {
    std::vector<std::int16_t> samples; // interleaved, kSoundChannels to a frame
    std::int64_t capturedMicros = 0;   // the first frame's instant (wallClockMicros)
    std::size_t frames() const { return samples.size() / kSoundChannels; }
};

enum class SoundRead {
    Sound,   // a piece came
    Nothing, // none within the wait
    Gone,    // the source or the sound server went away: open it again to go on
};

class SoundStream {
public:
    virtual ~SoundStream() = default;
    // The next piece, waiting at most `waitMs` for it.
    virtual SoundRead read(int waitMs, SoundPiece& piece) = 0;
};

// A low-latency record stream of the source named as discoverAudioSources()
// names it; null when there is no such source or no sound server. The
// stream never moves to another source: a microphone that goes away ends
// it rather than recording some other device under its name.
std::unique_ptr<SoundStream> openSoundStream(const std::string& source);

// False where recordings take their sound through the encoder's own device
// input instead (Windows).
bool soundStreamsAvailable();

} // namespace platform
