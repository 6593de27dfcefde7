#pragma once
// The program-wide audio mode: the user data of the chosen `audioCombo` entry.
// Written on the interface thread when the choice changes, read by the
// recording worker when a run starts; an atomic is all the sharing needs.

namespace audio {

// The modes a recording understands. Anything negative means no sound.
inline constexpr int kComputerSoundMode = 0;
inline constexpr int kMicrophoneMode = 1;
inline constexpr int kComputerSoundAndMicMode = 2;
inline constexpr int kNoSoundMode = -2;

int audioMode();
void setAudioMode(int mode);

} // namespace audio
