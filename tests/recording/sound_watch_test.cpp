// The record page's live sound, with the test session's real PulseAudio:
// its null sink `spk` (whose monitor is the computer sound) and its null
// source `mic`, which never sends anything but silence.
#include "recording/record_command.h"
#include "recording/sound_watch.h"

#include "platform/child_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cstdlib>

using recording::MeterReading;
using recording::SoundWatch;
using recording::SourceWarning;

namespace {

void spin(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

// A sine of amplitude 0.1414 (√2 × 0.1) has an RMS of -20 dBFS and a peak
// of -17 dBFS; the meter shows the RMS.
TEST(SoundWatch, MetersTheComputerSoundAndWarnsOfTheSilentMicrophone)
{
    if (!std::getenv("PULSE_SERVER"))
        GTEST_SKIP() << "needs the PulseAudio of scripts/headless-session.sh";
    static int argc = 1;
    static char name[] = "recording_tests";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    platform::ChildProcess tone;
    ASSERT_TRUE(tone.start("ffmpeg -nostdin -loglevel error -re -f lavfi -i "
                           "aevalsrc=0.1414*sin(2*PI*440*t):s=44100:c=stereo:d=20 -f pulse -device spk tone"));

    SoundWatch watch;
    std::vector<std::pair<int, MeterReading>> told;
    QObject::connect(&watch, &SoundWatch::readingChanged,
                     [&](int source, const MeterReading& reading) { told.emplace_back(source, reading); });
    int notices = 0;
    QObject::connect(&watch, &SoundWatch::noticeDue, [&](int, SourceWarning) { ++notices; });
    watch.choose(recording::AudioComputerSoundAndMic, "spk.monitor", "mic");
    EXPECT_FALSE(watch.capture(SoundWatch::Microphone)) << "nothing is open while the page is not shown";
    watch.setPageShown(true);
    ASSERT_TRUE(watch.capture(SoundWatch::ComputerSound) && watch.capture(SoundWatch::Microphone));

    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 6000 && watch.reading(SoundWatch::Microphone).warning != SourceWarning::Silent)
        spin(50);
    EXPECT_EQ(watch.reading(SoundWatch::Microphone).warning, SourceWarning::Silent);
    EXPECT_GE(clock.elapsed(), 4500) << "warned before 5 s of silence";
    const MeterReading heard = watch.reading(SoundWatch::ComputerSound);
    EXPECT_NEAR(heard.rmsDb, -20, 1);
    EXPECT_NEAR(heard.peakDb, -17, 1);
    EXPECT_EQ(heard.warning, SourceWarning::None);
    EXPECT_EQ(watch.reading(SoundWatch::Microphone).rmsDb, recording::kMeterFloorDb);
    // A steady tone is told a few times, not 20 times a second.
    EXPECT_LT(told.size(), 40u);

    // A recording is told of the standing warning once, and keeps the
    // captures when the page goes away.
    watch.setRecording(true);
    const auto kept = watch.capture(SoundWatch::ComputerSound);
    watch.setPageShown(false);
    spin(300);
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(watch.capture(SoundWatch::ComputerSound), kept);
    watch.setRecording(false);
    EXPECT_FALSE(watch.capture(SoundWatch::ComputerSound) || watch.capture(SoundWatch::Microphone));
    tone.kill();
    tone.waitForExit(2000);
}
