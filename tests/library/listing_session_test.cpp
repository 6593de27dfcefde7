// The session the cut and merge pages list through, without a window.
#include "library/listing_session.h"

#include "editing/stream_ops.h"
#include "encoder/tool.h"

#include "../support/spin_events.h"
#include "../support/test_support.h"
#include "media/recording_length.h"

#include <QCoreApplication>

#include <condition_variable>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>

using encoder::EnsureToolFolder;
using media::ProbeDuration;
using library::DurationCache;
using library::ListingSession;
using library::VideoFileInfo;
using media::DurationProbe;

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

void ensureApp()
{
    static int argc = 1;
    static char name[] = "listing_session_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

// What the session told, in order.
struct Told {
    QStringList events;
    explicit Told(ListingSession& session)
    {
        QObject::connect(&session, &ListingSession::listingShown, [this, &session](bool searched) {
            QString text = searched ? "listed:" : "unsearchable:";
            for (const VideoFileInfo& r : session.records())
                text += QString::fromStdString(r.name + "=" + r.duration + "," + std::to_string(r.size) + ";");
            events << text;
        });
        QObject::connect(&session, &ListingSession::lengthKnown, [this](int record, const QString& d) {
            events << QString("length:%1=%2").arg(record).arg(d);
        });
        QObject::connect(&session, &ListingSession::lengthsDone, [this] { events << "done"; });
    }
};

void setAge(const fs::path& path, int secondsAgo)
{
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::seconds(secondsAgo));
}

} // namespace

TEST(ListingSession, ListsFirstThenLengthsThenDoneAndKnownLengthsComeWithTheListing)
{
    ensureApp();
    EnsureToolFolder();
    TempFolder dir;
    ASSERT_EQ(makeRecording(dir.file("old $ 'one'.mp4"), 1), "");
    setAge(dir.path() / "old $ 'one'.mp4", 100);
    writeFile(dir.file("new.mp4"), "no recording");
    const auto size = std::to_string(fs::file_size(dir.path() / "old $ 'one'.mp4"));
    auto cache = std::make_shared<DurationCache>();

    ListingSession session(cache, ProbeDuration, ListingSession::Lengths::Read);
    Told told(session);
    session.list(QString::fromStdString(dir.path().string()));
    EXPECT_FALSE(session.listed()) << "the listing arrives as a signal, never at once";
    ASSERT_TRUE(spinUntil([&] { return session.done(); }));
    ASSERT_EQ(told.events.size(), 4);
    EXPECT_EQ(told.events.front(), QString::fromStdString("listed:new.mp4=,12;old $ 'one'.mp4=," + size + ";"));
    EXPECT_TRUE(told.events.contains("length:1=00:00:01"));
    EXPECT_TRUE(told.events.contains("length:0="));
    EXPECT_EQ(told.events.back(), "done");
    EXPECT_EQ(session.records()[1].duration, "00:00:01");

    // A page rebuilt with the same lengths: the cut page's way, reading none.
    ListingSession cut(cache, {}, ListingSession::Lengths::Skip);
    Told again(cut);
    cut.list(QString::fromStdString(dir.path().string()));
    ASSERT_TRUE(spinUntil([&] { return cut.done(); }));
    EXPECT_EQ(
        again.events,
        QStringList({QString::fromStdString("listed:new.mp4=,12;old $ 'one'.mp4=00:00:01," + size + ";"), "done"}));

    ListingSession missing(cache, ProbeDuration, ListingSession::Lengths::Read);
    Told gone(missing);
    missing.list(QString::fromStdString(dir.file("missing")));
    ASSERT_TRUE(spinUntil([&] { return missing.done(); }));
    EXPECT_EQ(gone.events, QStringList({"unsearchable:", "done"}));
}

// A probe held until released stands in for a slow network mount.
TEST(ListingSession, ListingAnotherFolderDropsEverythingOfTheFirst_FakeProbeHolds)
{
    ensureApp();
    TempFolder first, second;
    for (int i = 0; i < 3; ++i)
        writeFile(first.file("a" + std::to_string(i) + ".mp4"), "no recording");
    writeFile(second.file("b.mp4"), "no recording");
    std::mutex gate;
    std::condition_variable opened;
    bool held = false, released = false;
    const DurationProbe probe = [&](const std::string& path) {
        if (path.find("a0.mp4") == std::string::npos)
            return std::string("00:00:02");
        std::unique_lock lock(gate);
        held = true;
        opened.notify_all();
        opened.wait(lock, [&] { return released; });
        return std::string("00:00:09");
    };
    ListingSession session(std::make_shared<DurationCache>(), probe, ListingSession::Lengths::Read);
    Told told(session);
    session.list(QString::fromStdString(first.path().string()));
    {
        std::unique_lock lock(gate);
        ASSERT_TRUE(opened.wait_for(lock, std::chrono::seconds(60), [&] { return held; }));
    }
    session.list(QString::fromStdString(second.path().string()));
    {
        const std::lock_guard lock(gate);
        released = true;
    }
    opened.notify_all();
    ASSERT_TRUE(spinUntil([&] { return session.done(); }));
    EXPECT_EQ(told.events, QStringList({"listed:b.mp4=,12;", "length:0=00:00:02", "done"}));
}
