#include "recording/record_window.h"

#include <gtest/gtest.h>

using recording::RecordWindowOnTick;
using recording::WindowAway;
using recording::WindowAwayOnStart;

TEST(RecordWindow, WithoutATrayTheWindowMinimisesAndIsNeverLeftHidden)
{
    EXPECT_EQ(WindowAwayOnStart(true), WindowAway::Hidden);
    EXPECT_EQ(WindowAwayOnStart(false), WindowAway::Minimised);

    // The tray host went away while the window was hidden in it.
    EXPECT_TRUE(RecordWindowOnTick("Rec", 5, false, true).minimise);
    EXPECT_FALSE(RecordWindowOnTick("Rec", 5, true, true).minimise);
    EXPECT_FALSE(RecordWindowOnTick("Rec", 5, false, false).minimise); // already in the taskbar
}

TEST(RecordWindow, TitleLeadsWithTheRunningTime)
{
    EXPECT_EQ(RecordWindowOnTick("Rec", 65, false, false).title, "00:01:05 - Rec");
    EXPECT_EQ(RecordWindowOnTick("录屏 \"x\"", 3600, true, false).title, "01:00:00 - 录屏 \"x\"");
}
