#include "platform/sound_gathering.h"

#include <cstdlib>
#include <utility>

namespace platform {

void SoundGathering::add(std::int64_t at, const std::int16_t* samples, std::size_t count)
{
    // Where this chunk starts in the piece.
    const auto offset = [this] { return static_cast<std::int64_t>(piece_.frames()) * 1'000'000 / kSoundRate; };
    if (!piece_.samples.empty() && std::llabs(at - (piece_.capturedMicros + offset())) > kSoundGapMicros)
        handOn();
    if (piece_.samples.empty()) {
        stampSum_ = 0;
        stamps_ = 0;
        piece_.samples.reserve(kSoundPieceFrames * kSoundChannels * 2);
    }
    // The piece's stamp is the mean of what each chunk says of its start:
    // the chunks' stamps jitter by a millisecond or more.
    stampSum_ += at - offset();
    piece_.capturedMicros = stampSum_ / ++stamps_;
    if (samples)
        piece_.samples.insert(piece_.samples.end(), samples, samples + count);
    else // a hole in the source's sound
        piece_.samples.insert(piece_.samples.end(), count, 0);
    if (piece_.frames() >= kSoundPieceFrames)
        handOn();
}

void SoundGathering::handOn()
{
    hand_(std::exchange(piece_, SoundPiece{}));
}

} // namespace platform
