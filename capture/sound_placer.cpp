#include "capture/sound_placer.h"

#include <algorithm>
#include <cmath>

namespace capture {

namespace {

using platform::kSoundChannels;
using platform::kSoundRate;

// Further apart than this (100 ms), the clock jumps to the stamp.
constexpr std::int64_t kJumpFrames = kSoundRate / 10;
// Closer than this (1 ms) the stamps' jitter is left alone.
constexpr double kSteadyFrames = kSoundRate / 1000.0;
// At most one sample in this many is repeated or left out.
constexpr std::size_t kMostEvery = 44;
// How much of each new distance the smoothed one takes.
constexpr double kSmoothing = 0.1;

void appendSilence(std::int64_t frames, std::vector<std::int16_t>& out)
{
    out.insert(out.end(), static_cast<std::size_t>(frames) * kSoundChannels, 0);
}

} // namespace

std::int64_t SoundPlacer::frameAt(std::int64_t micros) const
{
    return static_cast<std::int64_t>(std::llround(static_cast<double>(micros - origin_) * kSoundRate / 1e6));
}

void SoundPlacer::fillTo(std::int64_t micros, std::vector<std::int16_t>& out)
{
    const std::int64_t target = frameAt(micros);
    if (target <= placed_)
        return;
    appendSilence(target - placed_, out);
    placed_ = target;
}

void SoundPlacer::place(const platform::SoundPiece& piece, std::vector<std::int16_t>& out)
{
    const std::int64_t frames = static_cast<std::int64_t>(piece.frames());
    const std::int16_t* samples = piece.samples.data();
    const std::int64_t distance = frameAt(piece.capturedMicros) - placed_;
    if (!aligned_ || std::abs(distance) > kJumpFrames) {
        drift_ = 0;
        if (distance >= 0)
            appendSilence(distance, out);
        const std::int64_t skip = std::clamp<std::int64_t>(-distance, 0, frames);
        // A piece wholly before the origin places nothing: the one that
        // reaches it must be cut exactly too.
        aligned_ = aligned_ || skip < frames;
        out.insert(out.end(), samples + skip * kSoundChannels, samples + frames * kSoundChannels);
        placed_ += std::max<std::int64_t>(distance, 0) + frames - skip;
        return;
    }
    drift_ += (static_cast<double>(distance) - drift_) * kSmoothing;
    std::int64_t change = 0; // frames to add (more than zero) or leave out
    if (std::abs(drift_) > kSteadyFrames) {
        const double most = static_cast<double>(frames) / kMostEvery;
        change = static_cast<std::int64_t>(std::clamp(drift_ - std::copysign(kSteadyFrames, drift_), -most, most));
    }
    if (change == 0) {
        out.insert(out.end(), samples, samples + frames * kSoundChannels);
        placed_ += frames;
        return;
    }
    // Evenly spread through the piece.
    const std::int64_t every = frames / std::abs(change);
    for (std::int64_t i = 0; i < frames; ++i) {
        const bool marked = every > 0 && i % every == every / 2 && (i / every) < std::abs(change);
        if (marked && change < 0)
            continue;
        out.insert(out.end(), samples + i * kSoundChannels, samples + (i + 1) * kSoundChannels);
        if (marked)
            out.insert(out.end(), samples + i * kSoundChannels, samples + (i + 1) * kSoundChannels);
    }
    placed_ += frames + change;
    drift_ -= static_cast<double>(change);
}

} // namespace capture
