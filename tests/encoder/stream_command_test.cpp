#include "editing/stream_command.h"
#include "encoder/job_step.h"

#include "command_args.h"
#include "media/recording_length.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using editing::BuildCutCommandLine;
using encoder::BuildProbeCommandLine;
using editing::CutOutputPath;
using media::DurationIn;
using editing::MergeOutputPath;
using editing::MergeProgress;
using testing_support::argsOf;
using testing_support::valueOf;

namespace {

const std::string kTool = "\"/opt/vtr/tool\"";

} // namespace

// These two lines are given as they are, blanks and all: the text is the rule.
TEST(StreamCommand, EachLineHasItsBlanksExactly)
{
    EXPECT_EQ(BuildProbeCommandLine(kTool, "C:\\rec\\a.mp4"), kTool + " -protocol_whitelist file -i  \"C:\\rec\\a.mp4\" ");
    EXPECT_EQ(BuildCutCommandLine(kTool, "/rec/a.mp4", 12000, 8250, "/out/Cut_a.mp4"),
              kTool + " -y -protocol_whitelist file -i \"/rec/a.mp4\" -ss 12.000 -t 8.250 -map 0:V? -map 0:a? -codec copy  \"/out/Cut_a.mp4\" ");
}

TEST(StreamCommand, ReversedMarksGiveANegativeLength)
{
    const std::vector<std::string> args = argsOf(BuildCutCommandLine(kTool, "a.mp4", 30000, -10005, "b.mp4"));
    EXPECT_EQ(valueOf(args, "-ss"), "30.000");
    EXPECT_EQ(valueOf(args, "-t"), "-10.005");
}

TEST(StreamCommand, AwkwardNamesComeBackWholeFromEveryLine)
{
    for (const std::string name : {"my \"best\" take.mp4", "-rf $HOME.mp4", "录像 ëß.mp4", "trailing\\", "a\\\"b"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(argsOf(BuildProbeCommandLine(kTool, name)), (std::vector<std::string>{"-protocol_whitelist", "file", "-i", name}));
        EXPECT_EQ(valueOf(argsOf(BuildCutCommandLine(kTool, name, 0, 1, name + ".cut")), "-i"), name);
        EXPECT_EQ(argsOf(BuildCutCommandLine(kTool, name, 0, 1, name + ".cut")).back(), name + ".cut");
    }
}

TEST(StreamOutputNames, CutTakesTheFileNameAfterEitherSeparator)
{
    EXPECT_EQ(CutOutputPath("D:\\cuts", "C:\\rec\\clip.mp4", '\\'), "D:\\cuts\\Cut_clip.mp4");
    EXPECT_EQ(CutOutputPath("/home/u/cuts", "/home/u/rec/clip.mp4", '/'), "/home/u/cuts/Cut_clip.mp4");
    EXPECT_EQ(CutOutputPath("/cuts", "clip.mp4", '/'), "/cuts/Cut_clip.mp4");
    EXPECT_EQ(CutOutputPath("/cuts", "/rec/录像 1.mp4", '/'), "/cuts/Cut_录像 1.mp4");
}

TEST(StreamOutputNames, MergeIsNamedFromTheLocalTimeWithPadding)
{
    EXPECT_EQ(MergeOutputPath("C:\\out", {2018, 3, 3, 14, 5, 9}, '\\'), "C:\\out\\Merge2018-03-03-14-05-09.mp4");
    EXPECT_EQ(MergeOutputPath("/out", {2026, 12, 31, 23, 59, 59}, '/'), "/out/Merge2026-12-31-23-59-59.mp4");
}

TEST(DurationIn, EightCharactersAfterTheLastMarker)
{
    EXPECT_EQ(DurationIn("  Duration: 00:00:07.04, start: 0.000000, bitrate: 95 kb/s"), "00:00:07");
    EXPECT_EQ(DurationIn("Input #0\n  Duration: 00:00:01.00\nInput #1\n  Duration: 01:02:03.99, start"), "01:02:03");
    EXPECT_EQ(DurationIn("Invalid data found when processing input"), "");
    EXPECT_EQ(DurationIn("  Duration: 00:0"), ""); // the output ended there
}

TEST(MergeProgress, ThreeFilesCountAgainstEightyAndStopShortOfOneHundred)
{
    MergeProgress progress;
    progress.reset(3);
    EXPECT_EQ(progress.estimate, 80);
    int percent = 0;
    for (int i = 1; i <= 40; ++i)
        percent = progress.advance();
    EXPECT_EQ(percent, 50);
    for (int i = 41; i <= 79; ++i)
        percent = progress.advance();
    EXPECT_EQ(percent, 98); // 79 * 100 / 80, truncated
    // Held below 100, which only the merge's last report may say.
    for (int i = 80; i <= 200; ++i)
        ASSERT_EQ(progress.advance(), 99);
    EXPECT_EQ(progress.count, 80);

    progress.reset(1);
    EXPECT_EQ(progress.count, 0);
    EXPECT_EQ(progress.estimate, 40);
}
