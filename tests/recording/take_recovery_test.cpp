// Takes left by a power cut: the program, its guard and the encoder all die
// at once, and the next start finishes what they left.
#include "recording/take_recovery.h"

#include "takes/take_finish.h"
#include "encoder/tool.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "recording/record_controller.h"

#include "../support/test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using encoder::EnsureToolFolder;
using takes::FinishedTake;
using takes::FinishLeftTakes;
using takes::TakeEnd;
using takes::TakeFiles;
using takes::TakeOfWorkingFile;
using recording::TakeRecovery;

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// Every process below this one: the program, its encoder and the encoder's
// guard (orphans come to this process, which takes them in).
std::vector<pid_t> descendants()
{
    std::vector<std::pair<pid_t, pid_t>> parents;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        int parent = 0;
        std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent);
        parents.emplace_back(std::stoi(name), parent);
    }
    std::vector<pid_t> found{::getpid()};
    for (std::size_t i = 0; i < found.size(); ++i)
        for (const auto& [pid, parent] : parents)
            if (parent == found[i])
                found.push_back(pid);
    found.erase(found.begin());
    return found;
}

// The power cut: the guard and the encoder go first, so that none of them
// can warn another.
void killAll()
{
    std::vector<pid_t> all = descendants();
    std::reverse(all.begin(), all.end());
    for (const pid_t pid : all)
        ::kill(pid, SIGKILL);
    while (::waitpid(-1, nullptr, 0) > 0) { }
}

// Records a take with the program's own run in a child, and kills
// everything 6 s in; the working file it left. `whileRecording` is given
// the working file just before.
std::string cutPowerWhileRecording(const fs::path& folder, const std::function<void(const std::string&)>& whileRecording)
{
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    const std::string info = (folder / "info").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(VTR_CRASH_CHILD_PATH, "crash_child", "take", "ffmpeg", folder.c_str(), info.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(6);
    }
    for (int i = 0; i < 400 && !fs::exists(info); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::string working;
    std::getline(std::ifstream(info), working);
    whileRecording(working);
    killAll();
    fs::remove(info);
    return working;
}

// The pictures the encoder reads from a file, one line each: its probe
// cannot always tell a stream of a few kilobytes, which the encoder reads.
int videoFrames(const std::string& file)
{
    const std::string lines = runAndCapture("ffmpeg -v quiet -i " + platform::quoteArgument(file)
                                            + " -map 0:v:0 -c copy -f framecrc -");
    int frames = 0;
    for (std::size_t at = 0; at < lines.size(); at = lines.find('\n', at) + 1) {
        if (lines[at] != '#' && lines[at] != '\n')
            ++frames;
        if (lines.find('\n', at) == std::string::npos)
            break;
    }
    return frames;
}

} // namespace

TEST(TakeRecovery, APowerCutLosesOnlyTheLastMomentsAndTheNextStartSaysWhatItSaved)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run inside scripts/headless-session.sh";
    EnsureToolFolder();
    TempFolder dir;
    // The recording program is another running copy: the recovery of this
    // one leaves its take alone, however the folder is spelled.
    const std::string working = cutPowerWhileRecording(dir.path(), [&dir](const std::string& live) {
        const auto size = platform::fileSize(live);
        EXPECT_GT(size, 0);
        EXPECT_TRUE(FinishLeftTakes(dir.path().string() + "/./").empty());
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_GT(platform::fileSize(live), size) << "still recorded into";
    });
    ASSERT_TRUE(TakeOfWorkingFile(working)) << working;
    ASSERT_TRUE(platform::fileExists(working));
    const TakeFiles take = *TakeOfWorkingFile(working);

    // Cut copies of the same working file, as a power cut anywhere would
    // leave them, each in a folder of its own.
    const std::uintmax_t size = fs::file_size(working);
    std::mt19937 random(25);
    std::vector<std::uintmax_t> cuts{100, 188 * 20 + 7, size - 1};
    while (cuts.size() < 10)
        cuts.push_back(std::uniform_int_distribution<std::uintmax_t>(1000, size - 2)(random));
    std::vector<fs::path> copies;
    for (const std::uintmax_t cut : cuts) {
        copies.push_back(dir.path() / ("cut" + std::to_string(cut)));
        fs::create_directory(copies.back());
        const fs::path copy = copies.back() / fs::path(working).filename();
        fs::copy_file(working, copy);
        fs::resize_file(copy, cut);
        // The MP4 beside it as far as the disk had it: the file's type.
        const fs::path part = copies.back() / fs::path(take.workingMp4).filename();
        fs::copy_file(take.workingMp4, part);
        fs::resize_file(part, 48);
    }

    int argc = 1;
    char name[] = "recording_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    // The window's own guard, with nothing being recorded here.
    const recording::RecordController idle;
    TakeRecovery recovery(TakeRecovery::guardOf(idle));
    QStringList saved, kept;
    bool done = false;
    QObject::connect(&recovery, &TakeRecovery::finished, [&](const QStringList& s, const QStringList& k) {
        saved = s;
        kept = k;
        done = true;
    });
    recovery.check(dir.path().string());
    QElapsedTimer clock;
    clock.start();
    while (!done && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    ASSERT_EQ(saved.size(), 1) << saved.join(' ').toStdString();
    EXPECT_TRUE(kept.isEmpty());
    EXPECT_TRUE(saved[0].startsWith(QString::fromStdString(take.recording) + " (00:00:0")) << saved[0].toStdString();
    EXPECT_GE(probeDuration(take.recording), 4.0);
    EXPECT_EQ(probe(take.recording, "stream=codec_type"), "audio\nvideo\n");
    EXPECT_FALSE(platform::fileExists(take.working));
    EXPECT_FALSE(platform::fileExists(take.workingMp4));

    int savedCopies = 0;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        const fs::path& folder = copies[i];
        SCOPED_TRACE(folder.filename().string());
        const std::string copy = (folder / fs::path(working).filename()).string();
        const int before = videoFrames(copy);
        const std::vector<FinishedTake> finished = FinishLeftTakes(folder.string());
        if (finished.empty()) {
            // Cut inside its first packet: nothing shows it is the encoder's.
            EXPECT_LT(cuts[i], 188u);
            EXPECT_TRUE(platform::fileExists(copy));
            continue;
        }
        ASSERT_EQ(finished.size(), 1u);
        if (finished[0].end == TakeEnd::Empty) {
            // The stream's tables alone: nothing of the take was there.
            EXPECT_LE(cuts[i], 3 * 188u);
            continue;
        }
        if (finished[0].end == TakeEnd::KeptWorking) {
            // Nothing of the picture was readable: the file stays as it was.
            EXPECT_EQ(finished[0].path, copy);
            EXPECT_LE(before, 1);
            EXPECT_TRUE(platform::fileExists(copy));
            continue;
        }
        EXPECT_EQ(finished[0].end, TakeEnd::SavedFromWorking);
        ++savedCopies;
        // Every frame that was there is in the recording; a last one cut off
        // may be left out.
        const int after = videoFrames(finished[0].path);
        EXPECT_LE(after, before);
        EXPECT_GE(after, before - 1);
        EXPECT_FALSE(platform::fileExists(copy));
    }
    // Only the cuts inside the first packets leave nothing to save.
    EXPECT_GE(savedCopies, 7);
}

// The program killed 5 s into a take: its encoder finishes the file, and the
// helper the encoder's guard starts then makes the recording, well before
// any next start, leaving nothing else behind.
TEST(TakeRecovery, AProgramKilledMidTakeLeavesOnlyItsRecordingWithinTwoSeconds)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run inside scripts/headless-session.sh";
    if (!*VTR_TAKE_FINISHER_PATH)
        GTEST_SKIP() << "the finishing helper is not built in this configuration (built with the program)";
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    TempFolder dir;
    const TempFolder links; // the ready encoder's
    const std::string info = (dir.path().parent_path() / (dir.path().filename().string() + ".info")).string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("TMPDIR", links.path().c_str(), 1);
        ::execl(VTR_CRASH_CHILD_PATH, "crash_child", "take-killed", "ffmpeg", dir.path().c_str(), info.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(6);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    const auto died = std::chrono::steady_clock::now();
    std::string working;
    std::getline(std::ifstream(info), working);
    fs::remove(info);
    const auto take = TakeOfWorkingFile(working);
    ASSERT_TRUE(take) << working;
    const auto namesLeft = [&dir] {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            names.push_back(entry.path().filename().string());
        return names;
    };
    const std::vector<std::string> only{fs::path(take->recording).filename().string()};
    while (namesLeft() != only && std::chrono::steady_clock::now() - died < std::chrono::seconds(10))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - died);
    killAll(); // reaps the guard turned helper
    ASSERT_EQ(namesLeft(), only);
    EXPECT_TRUE(fs::is_empty(links.path()));
    EXPECT_LE(took.count(), 2000);
    EXPECT_NEAR(probeDuration(take->recording), 5.0, 0.5);
    EXPECT_EQ(probe(take->recording, "stream=codec_type"), "audio\nvideo\n");
}
