#include "audio/device_slots.h"

namespace audio {

void DeviceSlots::assign(const platform::AudioSources& found)
{
    const std::lock_guard lock(mutex_);
    computerSound_ = found.computerSound;
    microphone_ = found.microphone;
}

std::string DeviceSlots::computerSound() const
{
    const std::lock_guard lock(mutex_);
    return computerSound_;
}

std::string DeviceSlots::microphone() const
{
    const std::lock_guard lock(mutex_);
    return microphone_;
}

std::string DeviceSlots::name(Slot slot) const { return slot == Microphone ? microphone() : computerSound(); }

} // namespace audio
