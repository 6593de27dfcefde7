// The pictures of a listed folder of real recordings, made by the encoder.
#include "library/picture_session.h"

#include "library/picture_ops.h"
#include "encoder/tool.h"
#include "library/listing_session.h"

#include "../support/spin_events.h"
#include "../support/test_support.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <map>
#include <thread>

using encoder::EnsureToolFolder;
using library::kRowPictureWidth;
using library::kStripPictures;
using library::kStripPictureWidth;
using library::MakeRowPicture;
using library::MakeStripPicture;
using library::DurationCache;
using library::ListingSession;
using library::PictureCache;
using library::PictureKind;
using library::PictureMaker;
using library::PictureSession;
using library::RecordingListing;

using namespace testing_support;

namespace {

// The width a PNG's header gives; 0 for anything else.
unsigned pngWidth(const QString& file)
{
    const std::string bytes = file.isEmpty() ? std::string() : readFile(file.toStdString());
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        return 0;
    const auto at = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(bytes[i])); };
    return at(16) << 24 | at(17) << 16 | at(18) << 8 | at(19);
}

} // namespace

TEST(PictureSession, ListedRecordingsGetPicturesOffTheInterfaceThreadAndABrokenFileGetsNoneOnce)
{
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "picture_session_tests";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv);
    }
    EnsureToolFolder();
    TempFolder dir;
    TempFolder cacheDir;
    const std::string hostile = "-x $'q' \"录像\" 100%d.mp4";
    ASSERT_EQ(makeRecording(dir.file(hostile), 2), "");
    ASSERT_EQ(makeRecording(dir.file("plain.mp4"), 1), "");
    writeFile(dir.file("broken.mp4"), "no recording");
    const QString folder = QString::fromStdString(dir.path().string());
    ListingSession listing(std::make_shared<DurationCache>(), {}, ListingSession::Lengths::Skip);
    listing.list(folder);
    ASSERT_TRUE(spinUntil([&] { return listing.done(); }));
    ASSERT_EQ(listing.records().size(), 3u);

    std::atomic<int> runs{0};
    std::atomic<bool> onInterfaceThread{false};
    const std::thread::id interfaceThread = std::this_thread::get_id();
    const PictureMaker make = [&](const std::string& source, const std::string& output, PictureKind kind,
                                  std::stop_token stop) {
        ++runs;
        if (std::this_thread::get_id() == interfaceThread)
            onInterfaceThread = true;
        return kind == PictureKind::Strip ? MakeStripPicture(source, output, stop)
                                          : MakeRowPicture(source, output, stop);
    };
    PictureSession session(std::make_shared<PictureCache>(cacheDir.file("pictures")), make);
    std::map<std::string, QString> got; // by name
    RecordingListing shown = listing.records();
    QObject::connect(&session, &PictureSession::pictureKnown, [&](int record, const QString& file) {
        got[shown.at(static_cast<std::size_t>(record)).name] = file;
    });

    for (int visit = 0; visit < 2; ++visit) {
        got.clear();
        session.start(folder, shown, PictureKind::Row);
        EXPECT_FALSE(session.done()) << "pictures arrive as signals, never at once";
        ASSERT_TRUE(spinUntil([&] { return session.done(); }));
        ASSERT_EQ(got.size(), 3u);
        EXPECT_EQ(pngWidth(got[hostile]), unsigned(kRowPictureWidth));
        EXPECT_EQ(pngWidth(got["plain.mp4"]), unsigned(kRowPictureWidth));
        EXPECT_TRUE(got["broken.mp4"].isEmpty()) << "the placeholder's case";
        // The second visit makes nothing: the pictures and the failure are known.
        EXPECT_EQ(runs.load(), 3);
    }
    EXPECT_FALSE(onInterfaceThread.load());

    shown = {*std::find_if(shown.begin(), shown.end(), [&](auto& r) { return r.name == hostile; })};
    got.clear();
    session.start(folder, shown, PictureKind::Strip);
    ASSERT_TRUE(spinUntil([&] { return session.done(); }));
    EXPECT_EQ(pngWidth(got[hostile]), unsigned(kStripPictures * kStripPictureWidth));
}
