// DirectShow discovery while a sound server answers. Run by the Windows test
// script with a PulseAudio server of its own whose capture devices carry the
// names a Windows sound card gives them; Wine shows them to DirectShow.
#include "platform/audio_sources.h"

#include <gtest/gtest.h>

TEST(WinAudioSourcesWithServer, FriendlyNamesFillBothSlotsWhateverTheOrder)
{
    const platform::AudioSources found = platform::discoverAudioSources();
    EXPECT_TRUE(found.computerSoundFound);
    EXPECT_TRUE(found.microphoneFound);
    EXPECT_EQ(found.computerSound, "Stereo Mix (Realtek Audio)");
    // Non-Latin letters come through the COM strings intact.
    EXPECT_EQ(found.microphone, "Microphone (USB 录音)");
}
