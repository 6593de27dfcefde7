// One recording of the current X screen through the recording run, as the
// window makes it (this program's grab feeding the encoder), with the figures
// ffmpeg reports. encoderCPU is the recorder's whole CPU: the encoder's and
// this process's grab and conversion. start-to-bytes is from the run's start
// to the first bytes in its working file; stop-to-file from the stop to the
// finished recording; peak memory is this process's and the encoder's.
//   record_bench SECONDS MODE OUT.mp4 [MIC]  records, prints one result row
//                                            (VTR_PAUSES=N pauses it N times,
//                                            VTR_AREA="x,y,w,h" records a part,
//                                            VTR_READY=0 starts the encoder at
//                                            the start, not ahead of it)
//   record_bench --args MODE OUT.mp4 [MIC]   prints the arguments of the
//                                            encoder's own grab, each ended by
//                                            a zero byte, for a direct run
// MIC is the microphone's source name (vmic unless given).
#include "cpu_time.h"
#include "recording/record_command.h"
#include "tests/support/plain_record_command.h"
#include "recording/record_run.h"
#include "recording/ready_encoder.h"
#include "encoder/runner.h"
#include "encoder/tool.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/command_line.h"
#include "media/mp4_duration.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <thread>

using recording::BuildRecordArgs;
using testing_support::BuildRecordCommandLine;
using encoder::EnsureToolFolder;
using recording::RunOutput;
using encoder::PrepareTool;
using recording::RecordRun;
using recording::RecordSettings;
using recording::RecordSources;
using recording::RunPause;
using media::ReadMp4Tracks;

namespace {

// The number after `key` in the last progress line, e.g. "dup=" or "frame=".
long lastValue(const std::string& text, const char* key)
{
    const std::size_t at = text.rfind(key);
    return at == std::string::npos ? -1 : std::atol(text.c_str() + at + std::strlen(key));
}

// The largest resident size this process, or its largest ended child, had.
long peakMegabytes(int who)
{
    rusage r{};
    getrusage(who, &r);
    return r.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    const bool argsOnly = std::strcmp(argv[1], "--args") == 0;
    const int mode = std::atoi(argv[2]);
    const std::string out = argv[3];
    const RecordSources sources{mode, "spk.monitor", argc > 4 ? argv[4] : "vmic"};
    EnsureToolFolder();
    const std::string line = BuildRecordCommandLine(
        PrepareTool(), BuildRecordArgs(sources, platform::currentDesktop(), platform::wallClockMicros()), out);
    if (argsOnly) {
        for (const std::string& a : platform::splitCommandLine(line))
            std::fwrite(a.c_str(), 1, a.size() + 1, stdout);
        return 0;
    }

    const int seconds = std::atoi(argv[1]);
    const std::string folder = out + ".folder";
    // VTR_PAUSES=N: the recording runs in N+1 equal stretches with a pause
    // of a second between them. VTR_AREA="x,y,w,h": that part alone.
    const int pauses = std::getenv("VTR_PAUSES") ? std::atoi(std::getenv("VTR_PAUSES")) : 0;
    RecordSettings settings;
    settings.sources = sources;
    settings.sources.separateTracks = std::getenv("VTR_SEPARATE_TRACKS") != nullptr;
    settings.saveFolder = folder;
    if (const char* area = std::getenv("VTR_AREA")) {
        platform::ScreenArea part{};
        if (std::sscanf(area, "%d,%d,%d,%d", &part.x, &part.y, &part.width, &part.height) == 4)
            settings.part = part;
    }
    // As the window does while the Record page is shown.
    // Its start costs the time the page is shown, not the recording's: it
    // is counted apart.
    const char* ready = std::getenv("VTR_READY");
    double readyCpu = 0;
    if (!ready || std::strcmp(ready, "0") != 0) {
        settings.ready = recording::ReadyEncoder::Make(settings);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        if (settings.ready)
            readyCpu = cpuSecondsOfProcess(settings.ready->processId());
    }
    std::uint64_t stopAt = 0, running = 0;
    std::stop_source stop;
    RunPause pause;
    std::thread timer([&] {
        const auto stretch = std::chrono::milliseconds(seconds * 1000 / (pauses + 1));
        for (int i = 0; i <= pauses; ++i) {
            if (i > 0) {
                std::this_thread::sleep_for(std::chrono::seconds(1));
                pause.resume();
            }
            const std::uint64_t from = platform::tickCount();
            std::this_thread::sleep_for(stretch);
            if (i < pauses)
                pause.pause();
            running += platform::tickCount() - from;
        }
        stopAt = platform::tickCount();
        stop.request_stop();
    });
    RunOutput output;
    // The take's working file, watched from the start for its first bytes.
    std::atomic<std::int64_t> startToBytes{-1};
    std::atomic<bool> ended{false};
    const std::uint64_t startedAt = platform::tickCount();
    // The run names it at once: one stat a millisecond, not a listing.
    std::thread watcher([&] {
        while (!ended && startToBytes < 0) {
            const std::string working = output.path();
            if (working.ends_with(".recording.ts") && platform::fileSize(working) > 0)
                startToBytes = static_cast<std::int64_t>(platform::tickCount() - startedAt);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const int status = RecordRun(settings, stop.get_token(), nullptr, &pause, &output);
    ended = true;
    watcher.join();
    timer.join();
    const double stopToFile = static_cast<double>(platform::tickCount() - stopAt) / 1000.0;
    const double encoderCpu = cpuSeconds(RUSAGE_CHILDREN) - readyCpu;
    const double selfCpu = cpuSeconds(RUSAGE_SELF);
    const std::string tail = output.lastLine();
    std::rename(output.path().c_str(), out.c_str());
    std::remove(folder.c_str());
    const double length = static_cast<double>(ReadMp4Tracks(out).videoMicroseconds) / 1e6;
    std::printf("%-8s frames=%ld dup=%ld drop=%ld encoderCPU=%.2f (%.3f per recorded s; grab %.3f; made ready "
                "before: %.2f) start-to-bytes=%.3fs stop-to-file=%.3fs peak-memory=%ld+%ld MB status=%d length=%.3fs "
                "running=%.3fs\n",
                "ours", lastValue(tail, "frame="), lastValue(tail, "dup="), lastValue(tail, "drop="),
                encoderCpu + selfCpu, (encoderCpu + selfCpu) / seconds, selfCpu / seconds, readyCpu,
                static_cast<double>(startToBytes) / 1000.0, stopToFile, peakMegabytes(RUSAGE_SELF),
                peakMegabytes(RUSAGE_CHILDREN), status, length,
                static_cast<double>(running) / 1000.0);
    return 0;
}
