#include "platform/audio_name_rules.h"

#include <gtest/gtest.h>

using platform::chooseAudioDevices;

TEST(DeviceNameRules, NoMatchingDeviceFillsNothing)
{
    for (const auto& names : std::vector<std::vector<std::string>>{
             {}, {"Line In (Realtek Audio)", "HDMI Input"}, {"MICROPHONE (USB)", "STEREO MIX", "MIX", "MICROPHONE"}}) {
        const auto c = chooseAudioDevices(names);
        EXPECT_FALSE(c.microphoneFound);
        EXPECT_FALSE(c.computerSoundFound);
        EXPECT_FALSE(c.virtualCapturerSeen);
        EXPECT_TRUE(c.microphone.empty());
        EXPECT_TRUE(c.computerSound.empty());
    }
}

TEST(DeviceNameRules, KeywordsInEveryCaseTheyAreKnownIn)
{
    const auto c = chooseAudioDevices({"麦克风 (Realtek High Definition Audio)", "立体声混音 (Realtek)"});
    EXPECT_EQ(c.microphone, "麦克风 (Realtek High Definition Audio)");
    EXPECT_EQ(c.computerSound, "立体声混音 (Realtek)");

    EXPECT_EQ(chooseAudioDevices({"USB microphone"}).microphone, "USB microphone");
    EXPECT_EQ(chooseAudioDevices({"Microphone Array"}).microphone, "Microphone Array");
    EXPECT_EQ(chooseAudioDevices({"Stereo Mix (Realtek)"}).computerSound, "Stereo Mix (Realtek)");
    EXPECT_EQ(chooseAudioDevices({"premix out"}).computerSound, "premix out");
}

TEST(DeviceNameRules, LastMatchWins)
{
    const auto c = chooseAudioDevices({"Microphone A", "Stereo Mix A", "Line In", "Microphone B", "Stereo Mix B"});
    EXPECT_EQ(c.microphone, "Microphone B");
    EXPECT_EQ(c.computerSound, "Stereo Mix B");
}

TEST(DeviceNameRules, OneDeviceCanFillBothSlots)
{
    const auto c = chooseAudioDevices({"Microphone and Mix"});
    EXPECT_EQ(c.microphone, "Microphone and Mix");
    EXPECT_EQ(c.computerSound, "Microphone and Mix");
    EXPECT_TRUE(c.microphoneFound);
    EXPECT_TRUE(c.computerSoundFound);
}

TEST(DeviceNameRules, VirtualCapturerBeatsEveryMixDeviceInEitherOrder)
{
    for (const auto& names :
         std::vector<std::vector<std::string>>{{"virtual-audio-capturer", "Stereo Mix (Realtek)"},
                                               {"Stereo Mix (Realtek)", "virtual-audio-capturer", "立体声混音"}}) {
        const auto c = chooseAudioDevices(names);
        EXPECT_EQ(c.computerSound, "virtual-audio-capturer");
        EXPECT_TRUE(c.virtualCapturerSeen);
        EXPECT_TRUE(c.computerSoundFound);
        EXPECT_FALSE(c.microphoneFound);
    }
    // A microphone is still taken after the capturer.
    const auto c = chooseAudioDevices({"virtual-audio-capturer", "Microphone Mix"});
    EXPECT_EQ(c.computerSound, "virtual-audio-capturer");
    EXPECT_EQ(c.microphone, "Microphone Mix");
}

TEST(DeviceNameRules, OverlongNameIsPassedOverNotCut)
{
    // 255 units fit; the UTF-16 count matters, not the byte count.
    const std::string fits = "Microphone " + std::string(244, 'x');
    ASSERT_EQ(platform::utf16Length(fits), 255u);
    EXPECT_EQ(chooseAudioDevices({fits}).microphone, fits);

    const std::string tooLong = fits + "x";
    auto c = chooseAudioDevices({"Microphone (USB)", tooLong});
    EXPECT_EQ(c.microphone, "Microphone (USB)");
    c = chooseAudioDevices({tooLong});
    EXPECT_FALSE(c.microphoneFound);
    EXPECT_TRUE(c.microphone.empty());

    // 85 three-byte characters are 85 units; a character beyond U+FFFF is two.
    std::string chinese = "麦克风";
    while (platform::utf16Length(chinese) < 255)
        chinese += "音";
    EXPECT_EQ(chinese.size(), 255u * 3);
    EXPECT_EQ(chooseAudioDevices({chinese}).microphone, chinese);
    const std::string withEmoji = "Microphone " + std::string(243, 'x') + "\xF0\x9F\x8E\xA4"; // U+1F3A4
    EXPECT_EQ(platform::utf16Length(withEmoji), 256u);
    EXPECT_FALSE(chooseAudioDevices({withEmoji}).microphoneFound);

    // An over-long capturer does not shut out the mix devices.
    const std::string longCapturer = "virtual-audio-capturer" + std::string(240, 'x');
    c = chooseAudioDevices({longCapturer, "Stereo Mix"});
    EXPECT_FALSE(c.virtualCapturerSeen);
    EXPECT_EQ(c.computerSound, "Stereo Mix");
}
