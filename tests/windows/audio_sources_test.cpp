// DirectShow discovery and the start-up preparation on a machine without a
// sound server (the Wine suite runs with none reachable).
#include "audio/device_slots.h"
#include "platform/audio_sources.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"

#include "../support/test_support.h"

#include <gtest/gtest.h>

#include <thread>

TEST(WinAudioSources, NoSoundServerMeansNoDevicesAndNoEntries)
{
    const std::uint64_t start = platform::tickCount();
    const platform::AudioSources found = platform::discoverAudioSources();
    EXPECT_LT(platform::tickCount() - start, 5000u);
    EXPECT_FALSE(found.computerSoundFound);
    EXPECT_FALSE(found.microphoneFound);
    EXPECT_EQ(found.computerSound, "");
    EXPECT_EQ(found.microphone, "");
    // The slots the encoder opens stay empty, so only "None" is offered.
    audio::DeviceSlots slots;
    slots.assign(found);
    EXPECT_EQ(slots.computerSound(), "");
    EXPECT_EQ(slots.microphone(), "");
    // A second discovery on the same thread balances COM the same way.
    EXPECT_FALSE(platform::discoverAudioSources().microphoneFound);
}

TEST(WinAudioSources, StartUpRegistersTheFilterBesideTheProgramWithoutWaiting)
{
    const std::string marker = platform::programFolder() + "\\recorder.dll.registered";
    platform::removeFile(marker);
    const std::uint64_t start = platform::tickCount();
    platform::prepareAudioCapture();
    // No Stereo Mix endpoint to prepare here; the registration is only started.
    EXPECT_LT(platform::tickCount() - start, 3000u);
    // Discovery right after it must not wait for the registration either.
    EXPECT_FALSE(platform::discoverAudioSources().computerSoundFound);
    for (int waited = 0; !platform::fileExists(marker) && waited < 20000; waited += 50)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(platform::fileExists(marker)) << "regsvr32 did not register recorder.dll";
    platform::removeFile(marker);
}
