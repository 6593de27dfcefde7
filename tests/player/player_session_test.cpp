// The player session with the real player, drawing nowhere and silent: no
// window, X server or sound server.
#include "player/player_session.h"

#include "../support/test_support.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <cstdlib>

#include <gtest/gtest.h>

using player::PlayerSession;

using namespace testing_support;

TEST(PlayerSession, StatesAndMarksBelongToTheChosenRecording)
{
    static int argc = 1;
    static char name[] = "player_session_tests";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    TempFolder folder;
    // A name that is not valid UTF-8 keeps its bytes on the way to the player.
    const std::string first = folder.file("-first $1 \"录像\" \xff\xfe.mp4");
    const std::string second = folder.file("second.mp4");
    ASSERT_EQ(makeRecording(first, 3), "");
    ASSERT_EQ(makeRecording(second, 1), "");

    PlayerSession session;
    session.setVideo({"null", {"-ao", "null"}});
    int cleared = 0;
    QObject::connect(&session, &PlayerSession::marksCleared, [&] { ++cleared; });
    session.togglePlay(0); // nothing chosen: nothing plays
    EXPECT_EQ(session.process(), nullptr);

    session.choose(first);
    session.togglePlay(0);
    EXPECT_EQ(session.state(), PlayerSession::State::Playing);
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.playerState().length() == 3; }, 10000));
    session.togglePlay(0);
    EXPECT_EQ(session.state(), PlayerSession::State::Paused);
    session.seek(1);
    session.setStartMark();
    session.seek(2);
    session.setEndMark();
    EXPECT_EQ(session.startMark(), 1000);
    EXPECT_EQ(session.endMark(), 2000);
    session.choose(first); // the same: nothing changes
    EXPECT_EQ(session.endMark(), 2000);

    // Frame by frame, forward and back across a keyframe (one each second,
    // 30 frames a second): each step lands on the frame next to the last.
    session.seek(0);
    // Where the player came to rest: the position unchanged for 300 ms.
    const auto settle = [&] {
        std::int64_t last = -1;
        int still = 0;
        for (int k = 0; k < 100 && still < 5; ++k) {
            QTest::qWait(60);
            still = session.playerState().positionMs() == last ? still + 1 : 0;
            last = session.playerState().positionMs();
        }
        return last;
    };
    const auto stepTo = [&](bool forward, std::int64_t expected) {
        session.stepFrame(forward);
        EXPECT_TRUE(QTest::qWaitFor([&] { return std::llabs(session.playerState().positionMs() - expected) <= 1; }, 5000))
            << "at " << session.playerState().positionMs() << ", wanted " << expected;
    };
    session.stepFrame(true);
    const std::int64_t from = settle();
    EXPECT_EQ(session.state(), PlayerSession::State::Paused);
    stepTo(true, from + 33);
    stepTo(false, from);
    // Back over the keyframe at one second: the player shows two frames
    // past it after the seek and the first step.
    session.seek(1);
    session.stepFrame(true);
    const std::int64_t after = settle();
    EXPECT_EQ(after, 1067);
    stepTo(false, after - 33);
    stepTo(false, after - 67);
    stepTo(false, after - 100);
    stepTo(true, after - 67);
    EXPECT_EQ(session.state(), PlayerSession::State::Paused);

    // Marks of one recording must never cut another.
    session.choose(second);
    EXPECT_EQ(session.process(), nullptr);
    EXPECT_EQ(session.state(), PlayerSession::State::Idle);
    EXPECT_EQ(session.startMark(), 0);
    EXPECT_EQ(session.endMark(), 0);
    EXPECT_EQ(cleared, 2);

    session.togglePlay(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.state() == PlayerSession::State::Ended; }, 15000));
    const qint64 ended = session.process()->id();
    session.togglePlay(0); // from the beginning, in a new player
    EXPECT_EQ(session.state(), PlayerSession::State::Playing);
    EXPECT_NE(session.process()->id(), ended);
    session.end();
    EXPECT_EQ(session.process(), nullptr);
}
