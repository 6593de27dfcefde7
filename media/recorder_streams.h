#pragma once
// What the recorder's encoder writes, as the readers of its files check it.

namespace media {

// The most sound tracks a recording holds: the mix, then each source alone.
constexpr int kRecorderSoundTracks = 3;

} // namespace media
