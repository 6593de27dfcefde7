#pragma once
// The audio choices of the record page's `audioCombo`.
#include "audio/device_slots.h"
#include "platform/audio_sources.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QComboBox;


// User data of the "None" entry: -2 in its unsigned form.

namespace ui {

inline constexpr unsigned kNoneUserData = 4294967294u;

// The texts of the three device entries, in the chosen language.
struct AudioEntryTexts {
    QString computerSoundAndMic; // MainWnd/ComputerSoundAndMic
    QString computerSound;       // MainWnd/ComputerSound
    QString mic;                 // MainWnd/Mic

    // Texts looked up by their "Section/Key" language keys.
    static AudioEntryTexts fromLookup(const std::function<QString(const QString& key)>& lookup);
};

// Appends the entries `found` allows, in this order: both (whenever a
// microphone was found, even without computer sound), computer sound,
// microphone. Their user data are 2, 0 and 1.
void appendAudioEntries(QComboBox& combo, const platform::AudioSources& found, const AudioEntryTexts& texts);

// Runs a device discovery here and now, fills `deviceSlots` with it and
// appends the entries. It may take a second and more: the window runs its
// discovery on a thread of its own instead (audio/audio_discovery.h).
void discoverAudioChoices(QComboBox& combo, audio::DeviceSlots& deviceSlots, const AudioEntryTexts& texts);

// Appends the always-present "None" entry (no sound).
void appendNoneEntry(QComboBox& combo, const QString& text = QObject::tr("None"));

// The audio mode an entry stands for: its user data read as unsigned and
// taken as signed. Empty for an index with no entry.
std::optional<int> audioModeOfEntry(const QComboBox& combo, int index);

} // namespace ui
