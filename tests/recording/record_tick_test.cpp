#include "recording/record_tick.h"

#include <gtest/gtest.h>

using recording::NeedsSoundlessRestart;
using recording::NextBlink;
using recording::RecordStatusText;
using recording::RecordTicker;
using recording::RecordTickInput;
using recording::RecordTickResult;
using recording::TrayImage;

TEST(RecordTick, BlinkPeriodIsSixteenRec1FifteenRec2AndOneUnchanged)
{
    int counter = 0;
    std::string pattern;
    for (int tick = 0; tick < 64; ++tick) {
        const TrayImage image = NextBlink(counter);
        pattern += image == TrayImage::Rec1 ? '1' : image == TrayImage::Rec2 ? '2' : '-';
    }
    const std::string period = std::string(16, '1') + std::string(15, '2') + "-";
    EXPECT_EQ(pattern, period + period);
    EXPECT_EQ(counter, 0);
}

TEST(RecordTick, StatusTextAndNoFileRestart)
{
    EXPECT_EQ(RecordStatusText(65, 1536), "Recording... \n\n00:01:05\n\n1.50 KB");
    EXPECT_EQ(RecordStatusText(0, -1), "Recording... \n\n00:00:00\n\n0 Bytes"); // no file yet
    EXPECT_EQ(RecordStatusText(3600, 0), "Recording... \n\n01:00:00\n\n0 Bytes");

    EXPECT_FALSE(NeedsSoundlessRestart(3, "/save/a.mp4", false)); // three whole seconds are allowed
    EXPECT_TRUE(NeedsSoundlessRestart(4, "/save/a.mp4", false));
    EXPECT_FALSE(NeedsSoundlessRestart(40, "/save/a.mp4", true));
    EXPECT_FALSE(NeedsSoundlessRestart(40, "", false)); // nothing started yet
}

TEST(RecordTicker, NoFileRestartsWithoutSoundOnceThenStops)
{
    using Action = RecordTickResult::Action;
    RecordTicker ticker;
    ticker.started(1000, true);
    RecordTickInput input{4000, 1u << 30, "/save/a.mp4", false, 0};
    EXPECT_EQ(ticker.tick(input).action, Action::None); // three whole seconds
    input.nowMs = 5000;
    const RecordTickResult restart = ticker.tick(input);
    EXPECT_EQ(restart.action, Action::RestartWithoutSound);
    EXPECT_EQ(restart.statusText, "Recording... \n\n00:00:04\n\n0 Bytes");

    ticker.started(5000, false);
    input.outputPath = "/save/b.mp4";
    input.nowMs = 9000;
    EXPECT_EQ(ticker.tick(input).action, Action::StopNoFile); // never a second restart
    input.outputExists = true;
    EXPECT_EQ(ticker.tick(input).action, Action::None);
    ticker.stopped();
    input.outputExists = false;
    EXPECT_EQ(ticker.tick(input).action, Action::None); // a stopped recording asks for nothing
}

TEST(RecordTicker, LessThanTenMebibytesFreeStopsTheRecording)
{
    RecordTicker ticker;
    ticker.started(0, true);
    RecordTickInput input{1000, 10485760, "/save/a.mp4", true, 2048};
    EXPECT_EQ(ticker.tick(input).action, RecordTickResult::Action::None);
    input.freeBytes = 10485759;
    EXPECT_EQ(ticker.tick(input).action, RecordTickResult::Action::StopForLowDisk);
    ticker.stopped();
    EXPECT_EQ(ticker.tick(input).action, RecordTickResult::Action::None);
}

// The clock stands still while paused and the tray shows the pause; a file
// that has come once and is missing later (a stretch finished, the next not
// yet begun) is no failed sound device.
TEST(RecordTicker, PausesStopTheClockAndAreNoMissingFile)
{
    RecordTicker ticker;
    ticker.started(0, true);
    RecordTickInput input{2500, 1u << 30, "/save/a.mp4", true, 1024, "Angehalten"};
    EXPECT_NE(ticker.tick(input).trayImage, TrayImage::Paused);
    ticker.paused(2500);
    input.nowMs = 9000;
    input.outputExists = false;
    RecordTickResult paused = ticker.tick(input);
    EXPECT_EQ(paused.trayImage, TrayImage::Paused);
    EXPECT_EQ(paused.statusText, "Angehalten\n\n00:00:02\n\n0 Bytes");
    EXPECT_EQ(paused.action, RecordTickResult::Action::None);
    ticker.resumed(9000);
    input.nowMs = 10600;
    const RecordTickResult resumed = ticker.tick(input);
    EXPECT_EQ(resumed.elapsedSeconds, 4u);
    EXPECT_EQ(resumed.action, RecordTickResult::Action::None);
    EXPECT_NE(resumed.trayImage, TrayImage::Paused);
}
