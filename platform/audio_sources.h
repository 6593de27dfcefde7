#pragma once
// The two audio inputs a recording can open, and the machine preparation done
// once at program start. Qt-free; strings are UTF-8.
#include <string>

namespace platform {

// What one discovery found. Each name is what the encoder's audio input takes
// as its device: a DirectShow friendly name on Windows, a PulseAudio source
// name on POSIX. A flag is set exactly when its name was filled.
struct AudioSources {
    std::string computerSound;
    std::string microphone;
    bool computerSoundFound = false;
    bool microphoneFound = false;
};

// Asks the system for its capture devices. Never reports an error: whatever
// cannot be asked is simply not found. Bounded in time (about 1.5 s at most
// on POSIX); the window runs it on a thread of its own, as any thread may.
AudioSources discoverAudioSources();

// One-time preparation at program start, before the first discovery: makes
// the sound card's "Stereo Mix" endpoint the visible default capture device
// and starts registering the capture filter beside the program, without
// waiting for it. Does nothing on POSIX, where monitor sources always exist.
void prepareAudioCapture();

} // namespace platform
