// What recovery finds in a folder beside the takes a crash left: files named
// like working files that are not the encoder's, links, takes a live
// recorder holds, and a quit while it copies. Real ffmpeg, real files.
#include "takes/take_finish.h"
#include "encoder/tool.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "recording/record_controller.h"
#include "recording/take_recovery.h"
#include "media/ts_span.h"

#include "../support/test_support.h"

#include <QCoreApplication>
#include <QThread>

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>

using encoder::EnsureToolFolder;
using takes::FinishedTake;
using takes::FinishLeftTakes;
using takes::TakeEnd;
using takes::TakeFiles;
using takes::TakeOfWorkingFile;
using recording::RecordController;
using recording::TakeRecovery;

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

std::string q(const std::string& path) { return platform::quoteArgument(path); }

void ffmpeg(const std::string& arguments)
{
    int code = -1;
    const std::string out = runAndCapture("ffmpeg -v error -y " + arguments, &code);
    ASSERT_EQ(code, 0) << arguments << "\n" << out;
}

// A take as the recorder writes it, cut off by a crash: the transport
// stream whole, the MP4 without its movie box.
void crashedTake(const std::string& stem, int seconds, int soundTracks = 1)
{
    std::string sound;
    for (int k = 0; k < soundTracks; ++k)
        sound += " -map 1:a";
    ffmpeg("-f lavfi -i testsrc=rate=60.97:size=160x120 -f lavfi -i sine=sample_rate=44100 -t "
           + std::to_string(seconds)
           + " -vcodec libx264 -preset ultrafast -bf 0 -codec:a aac -flags +global_header -map 0:v" + sound + " -f tee "
           + q("[f=mp4]" + stem + ".recording.part|[f=mpegts:flush_packets=1]" + stem + ".recording.ts"));
    fs::resize_file(stem + ".recording.part", fs::file_size(stem + ".recording.part") / 2);
}

// Every entry of a folder, links as links, with its content.
std::map<std::string, std::string> contentOf(const fs::path& folder)
{
    std::map<std::string, std::string> all;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        all[name] = entry.is_symlink() ? "-> " + fs::read_symlink(entry.path()).string()
            : entry.is_regular_file()  ? readFile(entry.path().string())
                                       : "(other)";
    }
    return all;
}

// A recording decodes through: the decoder says nothing and ends well.
void expectDecodesThrough(const std::string& file)
{
    int code = -1;
    EXPECT_EQ(runAndCapture("ffmpeg -v error -i " + q(file) + " -f null -", &code), "") << file;
    EXPECT_EQ(code, 0) << file;
}

} // namespace

// Only what is plainly the encoder's is touched: a small file that is no
// stream, a user's own streams of other kinds, a link to a take elsewhere
// and an empty file are left exactly as they were. A real crashed take is
// saved, no longer than it was, one with three sound tracks keeps them and
// gets its sources' titles back (the stream holds none), and a take of the
// encoder's tables alone (a crash before the first picture) goes.
TEST(LeftTakes, OnlyTheEncodersOwnTakesAreTouched)
{
    EnsureToolFolder();
    TempFolder dir, elsewhere;
    const std::string take = dir.file("2026-01-02-03-04-05");
    crashedTake(take, 3);
    const media::TsSpan span = media::ReadTsSpan(take + ".recording.ts");
    const std::int64_t takeMicros = std::max(span.videoMicroseconds, span.soundMicroseconds);
    ASSERT_GT(span.videoMicroseconds, 2900000);
    const std::string tracked = dir.file("2026-01-02-03-04-06");
    crashedTake(tracked, 1, 3);

    writeFile(dir.file("x.recording.ts"), "not a stream at all");
    writeFile(dir.file("x.recording.part"), "and this is mine");
    const std::string source = "-f lavfi -i testsrc=rate=25:size=160x120 -f lavfi -i sine -t 1 ";
    ffmpeg(source + "-map 0:v -vcodec mpeg2video -f mpegts " + q(dir.file("mpeg2.recording.ts")));
    ffmpeg(source + "-map 0:v -map 1:a -map 1:a -vcodec libx264 -preset ultrafast -c:a:0 aac -c:a:1 mp2 -f mpegts "
           + q(dir.file("two-sounds.recording.ts")));
    writeFile(dir.file("empty.recording.ts"), "");
    // A user's own stream of the recorder's kinds, with no MP4 beside it.
    ffmpeg(source + "-map 0:v -map 1:a -vcodec libx264 -preset ultrafast -c:a aac -f mpegts "
           + q(dir.file("users-own.recording.ts")));
    crashedTake(elsewhere.file("theirs"), 1);
    fs::create_symlink(elsewhere.file("theirs.recording.ts"), dir.file("link.recording.ts"));
    const std::string tables = readFile(take + ".recording.ts").substr(0, 3 * 188);
    writeFile(dir.file("tables.recording.ts"), tables);
    writeFile(dir.file("tables.recording.part"), readFile(take + ".recording.part").substr(0, 48));
    ASSERT_EQ(readFile(dir.file("tables.recording.part")).substr(4, 4), "ftyp");

    std::map<std::string, std::string> before = contentOf(dir.path());
    const std::map<std::string, std::string> theirs = contentOf(elsewhere.path());

    const std::vector<FinishedTake> finished = FinishLeftTakes(dir.path().string(), {}, {}, {"Son de l'ordi", "-Micro $x"});
    ASSERT_EQ(finished.size(), 3u);
    EXPECT_EQ(finished[0].end, TakeEnd::SavedFromWorking);
    EXPECT_EQ(finished[0].path, take + ".mp4");
    EXPECT_EQ(finished[1].end, TakeEnd::SavedFromWorking);
    EXPECT_EQ(soundTracksOf(tracked + ".mp4"),
              (std::vector<std::string>{"SoundHandler tone", "Son de l'ordi tone", "-Micro $x tone"}));
    EXPECT_EQ(finished[2].end, TakeEnd::Empty) << finished[2].path;
    EXPECT_LE(probeDuration(take + ".mp4") * 1e6, takeMicros + 1000);
    EXPECT_GE(probeDuration(take + ".mp4") * 1e6, span.videoMicroseconds - 20000);
    expectDecodesThrough(take + ".mp4");

    for (const char* gone : {"2026-01-02-03-04-05.recording.ts", "2026-01-02-03-04-05.recording.part",
                             "2026-01-02-03-04-06.recording.ts", "2026-01-02-03-04-06.recording.part",
                             "tables.recording.ts", "tables.recording.part"})
        before.erase(gone);
    before["2026-01-02-03-04-05.mp4"] = readFile(take + ".mp4");
    before["2026-01-02-03-04-06.mp4"] = readFile(tracked + ".mp4");
    EXPECT_TRUE(contentOf(dir.path()) == before);
    EXPECT_TRUE(contentOf(elsewhere.path()) == theirs);
}

// A quit while recovery copies a long take ends the copy at once, and the
// take stays as it was for the next start.
TEST(LeftTakes, AQuitDuringACopyEndsItPromptlyAndLeavesTheTake)
{
    EnsureToolFolder();
    TempFolder dir;
    ffmpeg("-f lavfi -i testsrc=rate=60.97:size=64x48 -f lavfi -i sine=sample_rate=44100 -t 20 -vcodec libx264"
           " -preset ultrafast -bf 0 -codec:a aac -f mpegts "
           + q(dir.file("short.ts")));
    // Over half an hour: seconds of copying on any machine.
    const std::string working = dir.file("long.recording.ts");
    ffmpeg("-stream_loop 100 -i " + q(dir.file("short.ts")) + " -c copy -f mpegts " + q(working));
    fs::remove(dir.file("short.ts"));
    writeFile(dir.file("long.recording.part"), "");
    const auto size = fs::file_size(working);

    std::uint64_t stopped = 0;
    {
        TakeRecovery recovery([](const std::string&) { return false; });
        recovery.check(dir.path().string());
        const fs::path copy = dir.file("long.recording.copy");
        for (int i = 0; i < 2000 && !(fs::exists(copy) && fs::file_size(copy) > 0); ++i)
            QThread::msleep(5);
        ASSERT_TRUE(fs::exists(copy)) << "the copy never started";
        stopped = platform::tickCount();
    }
    EXPECT_LT(platform::tickCount() - stopped, 2000u);
    EXPECT_EQ(fs::file_size(working), size);
    EXPECT_EQ(contentOf(dir.path()).size(), 2u) << "only the working files";
}

// A take a live recorder writes is left to it, whatever spelling of its
// folder recovery is given: by the lock on its files, and by the window's
// guard on the folder being recorded to.
TEST(LeftTakes, ALiveTakeIsLeftToItsRecorderUnderAnySpellingOfItsFolder)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run inside scripts/headless-session.sh";
    static int argc = 1;
    static char name0[] = "recording_tests";
    static char* argv[] = {name0, nullptr};
    QCoreApplication app(argc, argv);
    EnsureToolFolder();
    TempFolder dir, other;
    fs::create_directory_symlink(dir.path(), other.file("link"));
    RecordController controller;
    controller.attachWorker();
    controller.start({{recording::AudioNone, "", ""}, dir.path().string()});
    for (int ms = 0; ms < 20000 && platform::fileSize(controller.outputPath()) <= 0; ms += 100)
        QThread::msleep(100);
    const std::string working = controller.outputPath();
    ASSERT_GT(platform::fileSize(working), 0);
    const std::string name = fs::path(working).filename().string();
    QThread::msleep(1000);

    const TakeRecovery::InUse guard = TakeRecovery::guardOf(controller);
    for (const std::string& folder : {dir.path().string() + "/", dir.path().string() + "/./", other.file("link")}) {
        EXPECT_TRUE(guard(folder + "/" + name)) << folder;
        EXPECT_TRUE(FinishLeftTakes(folder).empty()) << folder;
    }
    EXPECT_FALSE(guard(other.file(name)));
    const auto size = platform::fileSize(working);
    QThread::msleep(1000);
    EXPECT_GT(platform::fileSize(working), size) << "still recorded into";

    controller.stop();
    ASSERT_TRUE(controller.waitForRun(20000));
    const TakeFiles files = *TakeOfWorkingFile(working);
    EXPECT_EQ(controller.outputPath(), files.recording);
    EXPECT_GT(probeDuration(files.recording), 1.5);
    EXPECT_FALSE(fs::exists(files.working));
    EXPECT_FALSE(fs::exists(files.workingMp4));
    EXPECT_FALSE(guard(files.working)) << "nothing records now";
}
