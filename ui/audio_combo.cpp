#include "ui/audio_combo.h"

#include "recording/record_command.h"

#include <QComboBox>
#include <QIcon>
#include <QVariant>

using recording::AudioComputerSound;
using recording::AudioComputerSoundAndMic;
using recording::AudioMicrophone;

namespace ui {

AudioEntryTexts AudioEntryTexts::fromLookup(const std::function<QString(const QString& key)>& lookup)
{
    return {lookup(QStringLiteral("MainWnd/ComputerSoundAndMic")), lookup(QStringLiteral("MainWnd/ComputerSound")),
            lookup(QStringLiteral("MainWnd/Mic"))};
}

void appendAudioEntries(QComboBox& combo, const platform::AudioSources& found, const AudioEntryTexts& texts)
{
    if (found.microphoneFound)
        combo.addItem(QIcon(), texts.computerSoundAndMic, QVariant(unsigned(AudioComputerSoundAndMic)));
    if (found.computerSoundFound)
        combo.addItem(QIcon(), texts.computerSound, QVariant(unsigned(AudioComputerSound)));
    if (found.microphoneFound)
        combo.addItem(QIcon(), texts.mic, QVariant(unsigned(AudioMicrophone)));
}

void discoverAudioChoices(QComboBox& combo, audio::DeviceSlots& deviceSlots, const AudioEntryTexts& texts)
{
    const platform::AudioSources found = platform::discoverAudioSources();
    deviceSlots.assign(found);
    appendAudioEntries(combo, found, texts);
}

void appendNoneEntry(QComboBox& combo, const QString& text) { combo.addItem(QIcon(), text, QVariant(kNoneUserData)); }

std::optional<int> audioModeOfEntry(const QComboBox& combo, int index)
{
    if (index < 0 || index >= combo.count())
        return std::nullopt;
    return static_cast<int>(combo.itemData(index).toUInt());
}

} // namespace ui
