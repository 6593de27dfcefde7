// Records a Wayland desktop whose window never stands still through the
// program's own path (portal, PipeWire capture, encoder) and prints one row:
// length, frames written, distinct frames per second against the portal's
// ceiling (max_fps, 60 in the test desktop), the children's CPU per recorded
// second, and the time from the stop to a finished file.
//   bash scripts/headless-session.sh bash scripts/wayland-session.sh build/bench/wayland_record [SECONDS]
// With a sound MODE and an OUT file it shows no window of its own: it records
// whatever the desktop shows (the fidelity scene) with that sound, keeps the
// file as OUT and prints the children's CPU as encoderCPU=, as record_bench
// does on X11 (the children's and this process's):
//   wayland_record SECONDS MODE OUT.mp4 [MIC]
// The CPU counts this process's too, where the cast is read and its frames
// converted. VTR_CAST_READER=child measures the capturing child (the
// fallback) instead of the reading in this process.
#include "cpu_time.h"
#include "capture/pipewire_record.h"
#include "encoder/tool.h"
#include "platform/child_output.h"
#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "recording/screen_cast_run.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stop_token>
#include <string>
#include <sys/resource.h>
#include <thread>

using recording::RunOutput;
using encoder::EnsureToolFolder;
using capture::LastReportedFrame;
using recording::RecordSettings;
using recording::RecordSources;
using recording::RunPause;
using recording::RecordScreenCast;

namespace {

std::string output(const std::string& commandLine) { return platform::runForOutput(commandLine); }

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    if (!std::getenv("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "run inside scripts/wayland-session.sh\n");
        return 2;
    }
    const bool fidelity = argc > 3;
    // The same window as the Wayland test: a new colour every 100 ms and a
    // clock redrawn every 5 ms.
    platform::ChildProcess window;
    if (!fidelity)
        window.start("foot -o font=monospace:size=60 bash -c "
                     + platform::quoteArgument(
                         "exec 3<> <(:); while :; do t=${EPOCHREALTIME/./}; case $((t / 100000 % 4)) in 0) c=e04040;; "
                         "1) c=40c040;; 2) c=4060e0;; *) c=e0e040;; esac; printf '\\e]11;#%s\\a\\e[H%s' \"$c\" \"$t\"; "
                         "read -t 0.005 -u 3; done"));
    if (!fidelity)
        std::this_thread::sleep_for(std::chrono::seconds(2));

    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vtr-wayland-bench";
    std::filesystem::remove_all(folder);
    EnsureToolFolder();
    RecordSettings settings;
    settings.saveFolder = folder.string();
    if (fidelity)
        settings.sources = RecordSources{std::atoi(argv[2]), "spk.monitor", argc > 4 ? argv[4] : "vmic"};
    const char* readerChoice = std::getenv("VTR_CAST_READER");
    if (readerChoice && std::string(readerChoice) == "child")
        settings.castInProcess = [](const capture::PipeWireStream&, std::string& why) {
            why = "VTR_CAST_READER=child";
            return std::unique_ptr<platform::ScreenCastStream>();
        };
    std::stop_source stop;
    std::uint64_t stopAt = 0;
    // VTR_PAUSES=N: N+1 equal stretches with a second's pause between them.
    const int pauses = std::getenv("VTR_PAUSES") ? std::atoi(std::getenv("VTR_PAUSES")) : 0;
    RunPause pause;
    std::thread timer([&] {
        for (int i = 0; i <= pauses; ++i) {
            if (i > 0) {
                std::this_thread::sleep_for(std::chrono::seconds(1));
                pause.resume();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(seconds * 1000 / (pauses + 1)));
            if (i < pauses)
                pause.pause();
        }
        stopAt = platform::tickCount();
        stop.request_stop();
    });
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN), ownBefore = cpuSeconds(RUSAGE_SELF);
    RunOutput run;
    const char* notice =
        RecordScreenCast(settings, (folder / "ScreenRecord.ini").string(), stop.get_token(), nullptr, &pause, &run);
    const std::uint64_t end = platform::tickCount();
    timer.join();
    const double cpu = cpuSeconds(RUSAGE_CHILDREN) - cpuBefore;
    const double own = cpuSeconds(RUSAGE_SELF) - ownBefore;
    window.kill();
    window.waitForExit(1000);
    if (notice) {
        std::fprintf(stderr, "no recording: %s\n", notice);
        return 1;
    }

    const std::string file = run.path();
    if (fidelity) {
        std::filesystem::rename(file, argv[3]);
        std::filesystem::remove_all(folder);
        std::printf("ours     encoderCPU=%.2f (the recorder's whole: children %.2f, this process %.2f)\n", cpu + own,
                    cpu, own);
        return 0;
    }
    const std::string quoted = platform::quoteArgument(file);
    const double length =
        std::atof(output("ffprobe -v error -show_entries format=duration -of csv=p=0 " + quoted).c_str());
    const long written = std::atol(output("ffprobe -v error -select_streams v -count_packets -show_entries "
                                          "stream=nb_read_packets -of csv=p=0 "
                                          + quoted)
                                       .c_str());
    const long distinct = LastReportedFrame(output("ffmpeg -nostdin -i " + quoted + " -vf mpdecimate -f null -"));
    std::printf("wayland 1280x720, %d s asked: %.2f s recorded, %ld frames written (%.2f fps), "
                "%ld distinct = %.1f fps = %.2f of the portal's 60, CPU per recorded s: children %.3f, "
                "this process %.3f, both %.3f; stop-to-file %.2f s\n",
                seconds, length, written, written / length, distinct, distinct / length, distinct / length / 60.0,
                cpu / length, own / length, (cpu + own) / length, (end - stopAt) / 1000.0);
    std::filesystem::remove_all(folder);
    return 0;
}
