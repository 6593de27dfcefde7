// Installs the crash handler, starts an encoder through the runner on a
// worker thread, and crashes once the encoder runs.
//   crash_child MODE ENCODER OUTPUT INFO
// MODE: segv, abort, terminate-thread (an exception escapes a worker thread),
// overflow (the main thread's stack runs out), overflow-thread (a worker
// thread's stack runs out).
// ENCODER: ffmpeg (records a test source into OUTPUT until "q") or ignore-q
// (the fault child, which never quits on "q"; OUTPUT unused).
// Just before the crash INFO gets, one per line: the wall-clock second, the
// monotonic milliseconds, then the encoders' process ids.
//   crash_child take ENCODER FOLDER INFO
// records a take as the program does and waits to be killed (a power cut);
// with MODE take-killed, kills itself 5 s in, its takes' finisher set as the
// program sets it.
#include "recording/ready_encoder.h"
#include "recording/record_run.h"
#include "encoder/runner.h"
#include "encoder/tool.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/crash_handler.h"
#include "platform/files.h"
#include "platform/live_children.h"
#include "platform/process_info.h"

#include "../support/stack_overflow.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>

using recording::AudioComputerSoundAndMic;
using recording::RunOutput;
using encoder::EnsureToolFolder;
using encoder::PrepareTool;
using recording::RecordRun;
using encoder::RunTool;

namespace {

std::atomic<bool> g_encoding{false};

// Processes whose parent is us, one a line.
std::string childPids()
{
    std::string pids;
    for (const std::int64_t pid : platform::childProcessIds())
        pids += std::to_string(pid) + "\n";
    return pids;
}

// Records into FOLDER as the program does, with both sound sources, and
// once 6 s (5 s when `killSelf`) are recorded writes INFO ("working file"
// line, then the encoders' ids) and waits to be killed, or kills itself.
int recordATake(const std::string& folder, const std::string& info, bool killSelf)
{
    EnsureToolFolder();
    static RunOutput run; // the thread is never joined: the process is killed
    recording::RecordSettings settings{{AudioComputerSoundAndMic, "spk.monitor", "vmic"}, folder};
    // As the window has it: an encoder made ready before the press.
    if (killSelf) {
        settings.takeFinisher = platform::quoteArgument(VTR_TAKE_FINISHER_PATH);
        settings.ready = recording::ReadyEncoder::Make(settings);
        if (!settings.ready)
            return 4;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    std::thread([settings] { RecordRun(settings, {}, nullptr, nullptr, &run); }).detach();
    for (int i = 0; i < 2000 && !platform::fileExists(run.path()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!platform::fileExists(run.path()))
        return 3;
    std::this_thread::sleep_for(std::chrono::milliseconds(killSelf ? 5000 : 6000));
    {
        std::ofstream out(info + ".part");
        // A take the ready encoder did not record is not the one to try.
        out << (!settings.ready || settings.ready->taken() ? run.path() : "not taken") << "\n" << childPids();
    }
    std::rename((info + ".part").c_str(), info.c_str());
    if (killSelf)
        ::raise(SIGKILL);
    for (;;)
        ::pause();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5)
        return 2;
    const std::string mode = argv[1];
    const std::string encoder = argv[2];
    platform::installCrashHandler();

    if (mode == "killed")
        for (int i = 0; i < 24; ++i)
            std::thread([] {
                for (;;)
                    ::pause();
            }).detach();

    if (mode == "take" || mode == "take-killed")
        return recordATake(argv[3], argv[4], mode == "take-killed");

    std::string line;
    if (encoder == "ffmpeg") {
        EnsureToolFolder();
        line = PrepareTool() + " -re -f lavfi -i testsrc=size=320x240:rate=25 -vcodec libx264 -pix_fmt yuv420p "
            + platform::quoteArgument(argv[3]);
    } else {
        line = platform::quoteArgument(VTR_FAULT_CHILD_PATH) + " ignore-q 60000 " + platform::quoteArgument(argv[3]);
        g_encoding = true; // prints nothing; running is enough
    }
    std::thread worker([line] {
        RunTool(line, [](const char* chunk, std::size_t) {
            if (std::strstr(chunk, "frame="))
                g_encoding = true; // inputs open: a "q" now finishes a playable file
            return false;
        });
    });
    worker.detach();
    for (int i = 0; i < 2000 && !(g_encoding && platform::liveChildCount() > 0); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!g_encoding)
        return 3;
    std::this_thread::sleep_for(std::chrono::milliseconds(mode == "killed" ? 5000 : 500));

    {
        std::ofstream info(std::string(argv[4]) + ".part");
        info << std::time(nullptr) << "\n" << platform::tickCount() << "\n" << childPids();
    }
    std::rename((std::string(argv[4]) + ".part").c_str(), argv[4]);

    if (mode == "killed") {
        ::raise(SIGKILL);
    } else if (mode == "segv") {
        volatile int* volatile nowhere = nullptr;
        *nowhere = 1;
    } else if (mode == "abort") {
        std::abort();
    } else if (mode == "terminate-thread") {
        std::thread([] { throw std::runtime_error("worker failed"); }).join();
    } else if (mode == "overflow") {
        return testing_support::overflowTheStack();
    } else if (mode == "overflow-thread") {
        std::thread([] {
            const platform::ThreadCrashGuard guard;
            testing_support::overflowTheStack();
        }).join();
    }
    return 4;
}
