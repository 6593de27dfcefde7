#pragma once
// The two device slots the encoder's audio inputs are opened from, owned by
// the main window. Qt-free.
#include "platform/audio_sources.h"

#include <mutex>
#include <string>

namespace audio {

class DeviceSlots {
public:
    enum Slot { ComputerSound = 0, Microphone = 1 };

    // Replaces both slots with what a discovery found. Interface thread.
    void assign(const platform::AudioSources& found);
    // Copies of the slots; empty until a discovery fills them. Safe from the
    // recording worker.
    std::string computerSound() const;
    std::string microphone() const;
    std::string name(Slot slot) const;

private:
    mutable std::mutex mutex_; // guards both names
    std::string computerSound_;
    std::string microphone_;
};

} // namespace audio
