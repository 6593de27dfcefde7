#pragma once
// What the record page and the window's other choices say a recording is
// to be, and the encoder's settings made from it. Qt-free.
#include "recording/record_run.h"
#include "util/capture_choice.h"

#include <string>

namespace recording {

struct RecordChoices {
    int audioMode = recording::AudioNone; // the audio combo's entry
    std::string computerSound;          // the devices found for its modes
    std::string microphone;
    std::string saveFolder;
    util::CaptureChoice capture;
    bool separateTracks = false;
    std::string computerSoundTitle = "Computer sound"; // in the user's language
    std::string microphoneTitle = "Microphone";
    // The page's live captures of the chosen sources, when there are any.
    std::shared_ptr<capture::SoundCapture> computerSoundCapture;
    std::shared_ptr<capture::SoundCapture> microphoneCapture;
};

// The part recorded is where `choices.capture` is at this moment on
// `display` (a window may have moved since it was chosen).
recording::RecordSettings RecordSettingsFromChoices(const RecordChoices& choices, const std::string& display);

} // namespace recording
