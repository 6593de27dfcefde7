#include "editing/job_progress.h"
#include "editing/job_text.h"

#include <gtest/gtest.h>

using editing::CloseStep;
using editing::ExpandLineBreaks;
using editing::FormatProgressLine;
using editing::JobKind;
using editing::JobProgress;
using editing::ReplacePlaceholder;

TEST(JobText, ProgressLinesFillTheFormatAsWsprintfDoes)
{
    const std::string english = ExpandLineBreaks("Merging: %d%%\\nReading: %s\\nWriting: %s");
    EXPECT_EQ(english, "Merging: %d%%\nReading: %s\nWriting: %s");
    EXPECT_EQ(FormatProgressLine(english, 50, "/rec/a.mp4", "/out/Merge.mp4"),
              "Merging: 50%\nReading: /rec/a.mp4\nWriting: /out/Merge.mp4");
    EXPECT_EQ(FormatProgressLine("%03d|%.2s|%-4s|", 7, "录像ab", "xy"), "007|录像|xy  |");
    EXPECT_EQ(FormatProgressLine("%3d|%5s|", 7, "ab", ""), "  7|   ab|");
    EXPECT_EQ(FormatProgressLine("%-4d|", 7, "", ""), "7   |");
    EXPECT_EQ(FormatProgressLine("%i %S %ls", 5, "a", "b"), "5 a b");
}

TEST(JobText, TranslationsThatAskForOtherArgumentsNeverBreak)
{
    // Names where a number is asked for, and more conversions than arguments.
    EXPECT_EQ(FormatProgressLine("%s %d %s %s %d", 9, "a", "b"), "9 a b  ");
    EXPECT_EQ(FormatProgressLine("100% done %", 1, "a", "b"), "100% done %");
    EXPECT_EQ(FormatProgressLine("%x %p %n", 1, "a", "b"), "%x %p %n");
    EXPECT_EQ(FormatProgressLine("%99999999999s", 1, "a", "b").size(), 1024u);
    EXPECT_EQ(ExpandLineBreaks("a\\\\nb\\"), "a\\\nb\\");
    EXPECT_EQ(ReplacePlaceholder("Saved as:\n%1 (%1)", "/out/Cut_a.mp4"), "Saved as:\n/out/Cut_a.mp4 (/out/Cut_a.mp4)");
    EXPECT_EQ(ReplacePlaceholder("no place", "x"), "no place");
}

TEST(JobProgress, ReportsDecideWhenTheDialogEndsAndWhatClosingShows)
{
    JobProgress job;
    EXPECT_EQ(job.kind(), JobKind::Cut); // before any report: the cut texts
    EXPECT_EQ(job.closeStep(), CloseStep::AskToStop);
    EXPECT_STREQ(job.stopQuestionKey(), "Messages/MSG1016");

    EXPECT_FALSE(job.report(JobKind::Merge, 50, 0));
    EXPECT_STREQ(job.progressKey(), "Messages/MSG1008");
    EXPECT_STREQ(job.stopQuestionKey(), "Messages/MSG1015");
    EXPECT_EQ(job.closeStep(), CloseStep::AskToStop);
    EXPECT_TRUE(job.report(JobKind::Merge, 100, 0));
    EXPECT_EQ(job.closeStep(), CloseStep::ShowFinished);
    EXPECT_STREQ(job.finishedKey(), "Messages/MSG1013");

    // A dialog knows its own kind before the first report.
    job.startDialog(JobKind::Cut);
    EXPECT_FALSE(job.done());
    EXPECT_STREQ(job.stopQuestionKey(), "Messages/MSG1016");
    EXPECT_TRUE(job.report(JobKind::Cut, 5, 1)); // a failure ends it at once
    EXPECT_EQ(job.closeStep(), CloseStep::ShowFailure);
    EXPECT_STREQ(job.failureKey(), "Messages/MSG1012");
    EXPECT_TRUE(job.report(JobKind::Cut, 100, 2));
    EXPECT_EQ(job.closeStep(), CloseStep::ShowFailure); // stopped is not finished
}

TEST(JobProgress, ShowsEachReportInTheKindsWordsAndNamesTheFileMadeAndWhyItFailed)
{
    const editing::LanguageText text = [](const char* key) -> std::string {
        if (std::string(key) == "Messages/MSG1010")
            return "Cutting: %d%%\\nReading: %s\\nWriting: %s";
        if (std::string(key) == "Messages/MSG1014")
            return "Saved as:\\n%1";
        return key;
    };
    JobProgress job;
    job.startDialog(JobKind::Cut);
    const editing::JobShown shown = job.take(JobKind::Cut, 40, "/rec/a b.mp4", "/out/Cut_a b.mp4", 0, text);
    EXPECT_EQ(shown.percent, 40);
    EXPECT_FALSE(shown.ends);
    EXPECT_EQ(shown.line, "Cutting: 40%\nReading: /rec/a b.mp4\nWriting: /out/Cut_a b.mp4");
    EXPECT_TRUE(job.take(JobKind::Cut, 100, "/rec/a b.mp4", "/out/Cut_a b.mp4", 0, text).ends);
    EXPECT_EQ(job.finishedText(text), "Saved as:\n/out/Cut_a b.mp4");
    EXPECT_EQ(job.stopQuestion(text), "Messages/MSG1016");

    // The encoder's words go on a line of their own, a path able to wrap
    // after each separator.
    const std::string zws = "\xE2\x80\x8B";
    EXPECT_EQ(job.failureText(text, ""), "Messages/MSG1012");
    EXPECT_EQ(job.failureText(text, "C:\\in/x: bad"), "Messages/MSG1012\nC:\\" + zws + "in/" + zws + "x: bad");
}
