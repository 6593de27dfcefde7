// The cut page's exactness checks: one at a time, the last one asked
// answered, with real files (ours from x264, and one that is not).
#include "editing/cut_exactness.h"

#include "../support/spin_events.h"
#include "../support/test_support.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using editing::CutExactness;
using namespace testing_support;

TEST(CutExactness, ManyChoicesAtOnceAnswerOnlyTheLastAndCheckOneAtATime)
{
    int argc = 1;
    char name[] = "job_runner_tests";
    char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    TempFolder dir;
    const std::string ours = dir.file("ours.mp4");
    ASSERT_EQ(makeRecording(ours, 1), "");
    const std::string other = dir.file("other.mp4");
    int exit = -1;
    runAndCapture("ffmpeg -v error -f lavfi -i testsrc=size=64x48:rate=10 -t 1 -c:v mpeg4 -y " + other, &exit);
    ASSERT_EQ(exit, 0);

    std::vector<bool> answers;
    CutExactness exactness;
    QObject::connect(&exactness, &CutExactness::checked, [&](bool exact) { answers.push_back(exact); });
    // A user running down a long list: twenty choices before the first
    // answer. Each waiting choice replaces the one before it, so at most
    // two checks are ever made, one after the other.
    for (int i = 0; i < 20; ++i)
        exactness.check(i % 2 ? ours : other);
    exactness.check(other);
    ASSERT_TRUE(spinUntil([&] { return !answers.empty(); }));
    spinUntil([] { return false; }, 300); // nothing more comes
    EXPECT_EQ(answers, std::vector<bool>{false}) << "only the last choice is answered";
    exactness.check(ours);
    ASSERT_TRUE(spinUntil([&] { return answers.size() == 2; }));
    EXPECT_TRUE(answers.back()) << "a recording of ours can be cut exactly";
}
