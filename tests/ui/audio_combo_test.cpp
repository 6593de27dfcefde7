#include "ui/audio_combo.h"

#include "audio/device_slots.h"
#include "recording/record_command.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>

#include <memory>
#include <vector>

using recording::AudioComputerSound;
using recording::AudioComputerSoundAndMic;
using recording::AudioNone;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "audio_combo_tests";
    static char* argv[] = {name, nullptr};
    static QApplication instance(argc, argv);
    return instance;
}

const ui::AudioEntryTexts kTexts{"Computer sound and mic", "Computer sound", "Mic"};

struct Entry {
    QString text;
    unsigned userData;
    bool operator==(const Entry&) const = default;
};

std::vector<Entry> entries(const QComboBox& combo)
{
    std::vector<Entry> out;
    for (int i = 0; i < combo.count(); ++i) {
        EXPECT_TRUE(combo.itemIcon(i).isNull());
        out.push_back({combo.itemText(i), combo.itemData(i).toUInt()});
    }
    return out;
}

// Builds the combo the way the record page does: connected first, then the
// device entries, then "None", then entry 0 chosen.
std::unique_ptr<QComboBox> recordPageCombo(const platform::AudioSources& found)
{
    app();
    auto combo = std::make_unique<QComboBox>();
    ui::appendAudioEntries(*combo, found, kTexts);
    ui::appendNoneEntry(*combo, "None");
    combo->setCurrentIndex(0);
    return combo;
}

int chosen(const QComboBox& combo) { return ui::audioModeOfEntry(combo, combo.currentIndex()).value_or(-99); }

// Readable failures: the text and user data of each entry.
[[maybe_unused]] void PrintTo(const Entry& e, std::ostream* o) { *o << e.text.toStdString() << "=" << e.userData; }

} // namespace

TEST(AudioCombo, EntriesFollowWhatWasFound)
{
    platform::AudioSources both{"spk.monitor", "mic", true, true};
    auto combo = recordPageCombo(both);
    EXPECT_EQ(
        entries(*combo),
        (std::vector<Entry>{{"Computer sound and mic", 2}, {"Computer sound", 0}, {"Mic", 1}, {"None", 4294967294u}}));
    EXPECT_EQ(chosen(*combo), AudioComputerSoundAndMic);

    // Only a microphone: "both" is still offered and is the first choice.
    platform::AudioSources micOnly{"", "mic", false, true};
    combo = recordPageCombo(micOnly);
    EXPECT_EQ(entries(*combo), (std::vector<Entry>{{"Computer sound and mic", 2}, {"Mic", 1}, {"None", 4294967294u}}));
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(chosen(*combo), AudioComputerSoundAndMic);

    platform::AudioSources computerOnly{"spk.monitor", "", true, false};
    combo = recordPageCombo(computerOnly);
    EXPECT_EQ(entries(*combo), (std::vector<Entry>{{"Computer sound", 0}, {"None", 4294967294u}}));
    EXPECT_EQ(chosen(*combo), AudioComputerSound);

    combo = recordPageCombo({});
    EXPECT_EQ(entries(*combo), (std::vector<Entry>{{"None", 4294967294u}}));
    EXPECT_EQ(chosen(*combo), AudioNone);
}

TEST(AudioCombo, ChoosingAnEntrySetsTheModeAsSigned)
{
    auto combo = recordPageCombo({"spk.monitor", "mic", true, true});
    const std::vector<int> expected = {2, 0, 1, -2};
    for (int i = 0; i < combo->count(); ++i) {
        combo->setCurrentIndex(i);
        EXPECT_EQ(chosen(*combo), expected[std::size_t(i)]) << "entry " << i;
        EXPECT_EQ(ui::audioModeOfEntry(*combo, i), expected[std::size_t(i)]);
    }
    // An emptied combo has no choice at all.
    combo->clear();
    EXPECT_FALSE(ui::audioModeOfEntry(*combo, 0).has_value());
}

TEST(AudioCombo, DiscoveryFillsSlotsAndEntriesFromTheSessionServer)
{
    app();
    audio::DeviceSlots deviceSlots;
    QComboBox combo;
    ui::discoverAudioChoices(combo, deviceSlots, kTexts);
    EXPECT_EQ(deviceSlots.computerSound(), "spk.monitor");
    EXPECT_EQ(deviceSlots.microphone(), "mic");
    EXPECT_EQ(deviceSlots.name(audio::DeviceSlots::ComputerSound), "spk.monitor");
    EXPECT_EQ(deviceSlots.name(audio::DeviceSlots::Microphone), "mic");
    EXPECT_EQ(combo.count(), 3);

    // A rebuilt page runs discovery again and replaces what the deviceSlots held.
    deviceSlots.assign({"old.monitor", "", true, false});
    QComboBox rebuilt;
    ui::discoverAudioChoices(rebuilt, deviceSlots, kTexts);
    EXPECT_EQ(deviceSlots.computerSound(), "spk.monitor");
    EXPECT_EQ(deviceSlots.microphone(), "mic");
}

TEST(AudioCombo, TextsComeFromTheLanguageKeys)
{
    app();
    const auto texts = ui::AudioEntryTexts::fromLookup([](const QString& key) { return "<" + key + ">"; });
    EXPECT_EQ(texts.computerSoundAndMic, "<MainWnd/ComputerSoundAndMic>");
    EXPECT_EQ(texts.computerSound, "<MainWnd/ComputerSound>");
    EXPECT_EQ(texts.mic, "<MainWnd/Mic>");
}
