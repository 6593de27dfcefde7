// The recording session with the real encoder, the test session's X screen
// and no window.
#include "recording/record_controller.h"

#include "encoder/tool.h"
#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "util/files.h"

#include "../support/test_support.h"

#include <QCoreApplication>
#include <QThread>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using recording::AudioNone;
using encoder::EnsureToolFolder;
using recording::kMinFreeBytes;
using recording::RecordController;
using recording::RecordTickResult;
using util::GetDriveFreeSpace;

using namespace testing_support;

namespace {

// A 40 MB filesystem of the test's own, seen by this process and its children
// only and gone with them.
class SmallFilesystem {
public:
    explicit SmallFilesystem(const std::string& at) : at_(at) { }
    // Empty when mounted, else why not.
    std::string mount()
    {
        if (::geteuid() != 0)
            return "mounting a filesystem needs root";
        // Before any thread exists: a process with threads cannot leave its mount namespace.
        if (::unshare(CLONE_NEWNS) != 0)
            return std::string("no mount namespace of its own: ") + std::strerror(errno);
        if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount("vtr-small", at_.c_str(), "tmpfs", 0, "size=40m") != 0)
            return std::string("no tmpfs: ") + std::strerror(errno);
        mounted_ = true;
        return {};
    }
    ~SmallFilesystem()
    {
        if (mounted_)
            ::umount2(at_.c_str(), MNT_DETACH);
    }

private:
    std::string at_;
    bool mounted_ = false;
};

} // namespace

// The disk fills while recording: the low-disk rule stops the run while the
// encoder still has room to finish its file.
TEST(RecordController, AFillingDiskStopsTheRecordingThroughTheLowDiskRuleWithAValidFile)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run inside scripts/headless-session.sh";
    TempFolder dir;
    SmallFilesystem small(dir.path().string());
    if (const std::string why = small.mount(); !why.empty())
        GTEST_SKIP() << why;
    platform::ChildProcess scene;
    ASSERT_TRUE(scene.start(platform::quoteArgument(VTR_FIDELITY_SCENE) + " 60"));
    ASSERT_FALSE(scene.waitForExit(500)) << "the busy screen could not start";

    static int argc = 1;
    static char name[] = "recording_tests";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    EnsureToolFolder();
    RecordController controller;
    controller.attachWorker();
    controller.resetCounters();
    controller.start({{AudioNone, "", ""}, dir.path().string()});
    // Another program fills the disk once two seconds are recorded, so that
    // the rule is reached however slowly the encoder writes (a still screen,
    // an instrumented build).
    for (int ms = 0; ms < 20000 && !platform::fileExists(controller.outputPath()); ms += 100)
        QThread::msleep(100);
    QThread::msleep(2000);
    std::uint64_t free = 0;
    ASSERT_EQ(GetDriveFreeSpace(dir.path().string(), free), 0);
    ASSERT_GT(free, kMinFreeBytes);
    std::ofstream(dir.file("filler"), std::ios::binary) << std::string(free - kMinFreeBytes + (64u << 10), '\0');
    RecordTickResult::Action action = RecordTickResult::Action::None;
    for (int ms = 0; ms < 10000 && action == RecordTickResult::Action::None; ms += 200) {
        QThread::msleep(200);
        QCoreApplication::processEvents();
        action = controller.tick().action;
    }
    ASSERT_EQ(action, RecordTickResult::Action::StopForLowDisk);
    EXPECT_EQ(controller.recordError, RecordController::RecordError::LowDisk);
    controller.stop();
    ASSERT_TRUE(controller.waitForRun(20000));

    const std::string file = controller.outputPath();
    EXPECT_EQ(file.rfind(dir.path().string(), 0), 0u) << file;
    EXPECT_EQ(probe(file, "stream=codec_name"), "h264\n");
    EXPECT_GT(probeDuration(file), 1.0);
    // The next run shows its own file from its start, never this one.
    std::filesystem::remove(dir.file("filler"));
    controller.start({{AudioNone, "", ""}, dir.path().string()});
    EXPECT_EQ(controller.outputPath(), "");
    controller.stop();
    ASSERT_TRUE(controller.waitForRun(20000));
    EXPECT_NE(controller.outputPath(), file);
    scene.kill();
}
