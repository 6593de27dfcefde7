// The encoder's settings made from the page's choices: no encoder, no screen.
#include "recording/record_choices.h"

#include <gtest/gtest.h>

using recording::RecordChoices;
using recording::RecordSettingsFromChoices;
using util::CaptureKind;

TEST(RecordChoices, ThePagesChoicesBecomeTheRunsSettingsAndOnlyAWindowIsFollowed)
{
    RecordChoices choices;
    choices.audioMode = recording::AudioMicrophone;
    choices.computerSound = "sink.monitor";
    choices.microphone = "mic 'one' $x";
    choices.saveFolder = "/home/u/-Видео \"a\"";
    choices.capture.kind = CaptureKind::Area;
    choices.capture.area = {10, 20, 300, 200};
    choices.capture.window = 77; // left over from an earlier window choice
    recording::RecordSettings settings = RecordSettingsFromChoices(choices, "");
    EXPECT_EQ(settings.sources.audioMode, recording::AudioMicrophone);
    EXPECT_EQ(settings.sources.computerSound, "sink.monitor");
    EXPECT_EQ(settings.sources.microphone, "mic 'one' $x");
    EXPECT_EQ(settings.saveFolder, choices.saveFolder);
    ASSERT_TRUE(settings.part);
    EXPECT_EQ(settings.part->x, 10);
    EXPECT_EQ(settings.part->width, 300);
    EXPECT_EQ(settings.window, 0u);

    choices.capture.kind = CaptureKind::Desktop;
    settings = RecordSettingsFromChoices(choices, "");
    EXPECT_FALSE(settings.part);
    EXPECT_EQ(settings.window, 0u);
}
