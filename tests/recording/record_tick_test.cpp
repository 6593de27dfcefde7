#include "recording/record_tick.h"

#include <gtest/gtest.h>

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
