#pragma once
// Which capture devices the encoder is told to open, chosen from the
// DirectShow friendly names. Pure, so that it is checked on every platform.
#include "platform/text.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The device slots hold at most this many UTF-16 units (a 256-unit buffer
// with its terminator).
inline constexpr std::size_t kMaxDeviceNameUnits = 255;

struct DeviceNameChoice {
    std::string computerSound; // slot 0, UTF-8
    std::string microphone;    // slot 1, UTF-8
    bool microphoneFound = false;
    bool computerSoundFound = false;
    bool virtualCapturerSeen = false;
};

// Applies the friendly-name rules to the devices in discovery order. Matching
// is case-sensitive; the last matching microphone and the last matching mix
// device win, and "virtual-audio-capturer" wins over every mix device whatever
// the order.
//
// A name longer than a slot holds is passed over as if the device were not
// there: a cut name would name no device, and the encoder would then fail to
// open it.
inline DeviceNameChoice chooseAudioDevices(const std::vector<std::string>& friendlyNames)
{
    const auto contains = [](const std::string& name, std::string_view word) {
        return name.find(word) != std::string::npos;
    };
    DeviceNameChoice choice;
    for (const std::string& name : friendlyNames) {
        if (utf16Length(name) > kMaxDeviceNameUnits)
            continue;
        if (contains(name, "麦克风") || contains(name, "microphone") || contains(name, "Microphone")) {
            choice.microphone = name;
            choice.microphoneFound = true;
        }
        if (contains(name, "virtual-audio-capturer")) {
            choice.computerSound = name;
            choice.computerSoundFound = true;
            choice.virtualCapturerSeen = true;
        } else if (!choice.virtualCapturerSeen
                   && (contains(name, "立体声混音") || contains(name, "mix") || contains(name, "Mix"))) {
            choice.computerSound = name;
            choice.computerSoundFound = true;
        }
    }
    return choice;
}

} // namespace platform
