#include "recording/record_choices.h"

#include "recording/capture_part.h"
#include "recording/crash_finish.h"

namespace recording {

recording::RecordSettings RecordSettingsFromChoices(const RecordChoices& choices, const std::string& display)
{
    recording::RecordSettings settings;
    settings.sources.audioMode = choices.audioMode;
    settings.sources.computerSound = choices.computerSound;
    settings.sources.microphone = choices.microphone;
    settings.sources.separateTracks = choices.separateTracks;
    settings.sources.computerSoundTitle = choices.computerSoundTitle;
    settings.sources.microphoneTitle = choices.microphoneTitle;
    settings.saveFolder = choices.saveFolder;
    settings.computerSoundCapture = choices.computerSoundCapture;
    settings.microphoneCapture = choices.microphoneCapture;
    settings.takeFinisher = InstalledTakeFinisher();
    settings.part = PartAtStart(choices.capture, display);
    if (choices.capture.kind == util::CaptureKind::Window)
        settings.window = choices.capture.window;
    return settings;
}

} // namespace recording
