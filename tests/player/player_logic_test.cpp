#include "player/player_command.h"
#include "player/player_state.h"

#include <gtest/gtest.h>

using player::BuildPlayerArguments;
using player::LeadingInteger;
using player::PlayerLine;
using player::PlayerState;
using player::SeekCommand;
using player::StepBackCommand;
using player::StepsTo;

using Args = std::vector<std::string>;

TEST(PlayerCommand, ArgumentsInTheirOrderWithTheFileAfterTheEndOfOptions)
{
    EXPECT_EQ(BuildPlayerArguments(71303170, "C:\\rec\\a.mp4", {"direct3d", {}}),
              (Args{"-slave", "-quiet", "-aspect", "16:9", "-wid", "71303170", "-vo", "direct3d", "-lavdopts",
                    "threads=4", "-geometry", "700:300", "-x", "700", "-y", "300", "--", "C:\\rec\\a.mp4"}));
    // The output's own needs follow it; a name like an option stays a name.
    EXPECT_EQ(BuildPlayerArguments(4194305, "-rf 'ë' $1.mp4", {"x11", {"-zoom", "-nolirc"}}),
              (Args{"-slave", "-quiet", "-aspect", "16:9",      "-wid",      "4194305",       "-vo",
                    "x11",    "-zoom",  "-nolirc", "-lavdopts", "threads=4", "-geometry",     "700:300",
                    "-x",     "700",    "-y",      "300",       "--",        "-rf 'ë' $1.mp4"}));
    EXPECT_EQ(SeekCommand(45), "seek 45 2\n");
    EXPECT_EQ(SeekCommand(0), "seek 0 2\n");
    // A step back lands on a keyframe a little over a frame back, then steps on.
    EXPECT_EQ(StepBackCommand(1.04).substr(0, 38), "pausing_keep_force seek -1.040 0\nframe");
    EXPECT_EQ(StepsTo(0, 120, 40), "frame_step\nframe_step\nframe_step\npausing_keep_force get_property time_pos\n");
    EXPECT_EQ(StepsTo(100, 100, 16.4), "pausing_keep_force get_property time_pos\n");
}

TEST(PlayerState, AnswersSetPositionLengthSliderAndLabel)
{
    PlayerState state;
    EXPECT_EQ(state.applyLine("ANS_TIME_POSITION=12.3\n"), PlayerLine::Position);
    EXPECT_EQ(state.positionText(), "12.3");
    EXPECT_EQ(state.sliderValue(), 12);
    EXPECT_EQ(state.label(), ""); // no length yet

    EXPECT_EQ(state.applyLine("ANS_LENGTH=90.50"), PlayerLine::Length);
    EXPECT_EQ(state.length(), 90);
    EXPECT_EQ(state.sliderMaximum(), 90);
    EXPECT_EQ(state.label(), "00:00:12.300/00:01:30");

    EXPECT_EQ(state.applyLine("ANS_PERCENT_POSITION=13\n"), PlayerLine::Other);
    // The property tells the frame's start to the microsecond; the rate, the step.
    EXPECT_EQ(state.applyLine("ANS_time_pos=12.294013\n"), PlayerLine::Position);
    EXPECT_EQ(state.positionMs(), 12294);
    EXPECT_EQ(state.applyLine("ANS_fps=60.970000"), PlayerLine::Other);
    EXPECT_NEAR(state.frameMs(), 16.40, 0.01);
    state.applyLine("ANS_TIME_POSITION=12.3\n");
    EXPECT_EQ(state.applyLine("A:  12.4 V:  12.4 A-V:  0.000"), PlayerLine::Other);
    EXPECT_EQ(state.applyLine(""), PlayerLine::Other);
    EXPECT_EQ(state.positionText(), "12.3");
    EXPECT_EQ(state.label(), "00:00:12.300/00:01:30");

    state.seekTo(45);
    EXPECT_EQ(state.positionText(), "45");
    EXPECT_EQ(state.sliderValue(), 45);
    EXPECT_EQ(state.label(), "00:00:45.000/00:01:30");

    EXPECT_EQ(state.applyLine("Exiting... (End of file)\n"), PlayerLine::EndOfFile);
    EXPECT_EQ(state.sliderValue(), 90);
    EXPECT_EQ(state.label(), "00:01:30.500/00:01:30");
}

TEST(PlayerState, LongFilesShowHoursAndOddValuesStayHarmless)
{
    PlayerState state;
    state.applyLine("ANS_TIME_POSITION=3723.9");
    state.applyLine("ANS_LENGTH=3724.02");
    EXPECT_EQ(state.label(), "01:02:03.900/01:02:04");
    EXPECT_EQ(state.sliderValue(), 3723);

    state.applyLine("ANS_LENGTH=");
    EXPECT_EQ(state.length(), 0);
    EXPECT_EQ(state.sliderMaximum(), 0);
    state.applyLine("ANS_TIME_POSITION=1e300");
    EXPECT_EQ(state.sliderValue(), 2147483647);
    // Found by fuzzing: "nan" and "inf" must not reach an int unchecked.
    state.applyLine("ANS_TIME_POSITION=nan");
    EXPECT_EQ(state.sliderValue(), 0);
    state.applyLine("ANS_LENGTH=inf");
    state.applyLine("(End of file)");
    EXPECT_EQ(state.sliderValue(), 2147483647);
    state.applyLine("ANS_LENGTH=-nan");
    state.applyLine("(End of file)");
    EXPECT_EQ(state.sliderValue(), 0);

    EXPECT_EQ(LeadingInteger("12.8"), 12);
    EXPECT_EQ(LeadingInteger(""), 0);
    EXPECT_EQ(LeadingInteger("x5"), 0);
    EXPECT_EQ(LeadingInteger("99999999999999999999999"), 999999999999999999);
}
