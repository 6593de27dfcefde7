// The end of a take, timed; driven by bench/take_bench.sh.
//   take_finish_bench record SECONDS MODE FOLDER take|plain [MIC]
//       records the current X screen for SECONDS through this program's grab:
//       "take" through RecordRun as the window does (the tee to the working
//       MP4 and transport stream, the flusher, FinishTake at the end), "plain"
//       through the same grab and encoder arguments with the single plain MP4
//       output the run had before takes (BuildRecordCommandLine). Prints one
//       line of key=value: stop (seconds from the stop request to the run's
//       end, the file finished), cpu and self (CPU seconds of the encoder and
//       this process, and of this process alone), written (write_bytes of this
//       process and its reaped children: the encoder), frames, file.
//   take_finish_bench finish STEM [DIRTY_BYTES]
//       runs FinishTake on STEM.recording.ts / STEM.recording.part, first
//       writing the last DIRTY_BYTES of the .part over with the same bytes so
//       that they wait in the cache as the encoder's last writes would (its
//       index and last second, which the flusher has not pushed yet). Prints
//       seconds=, end=, length= (microseconds), file=.
//   take_finish_bench moov FILE.mp4
//       prints the size in bytes of the file's top-level movie box (the index
//       the encoder writes at the end), or -1.
// MODE: -2 no sound, 0 computer sound (spk.monitor); MIC is the microphone's
// source name (vmic unless given).
#include "cpu_time.h"
#include "capture/frame_pipe_record.h"
#include "capture/frame_source.h"
#include "recording/record_command.h"
#include "tests/support/plain_record_command.h"
#include "recording/record_run.h"
#include "takes/take_finish.h"
#include "encoder/tool.h"
#include "platform/clock.h"
#include "platform/screen_grab.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using recording::BuildFramePipeRecordArgs;
using testing_support::BuildRecordCommandLine;
using encoder::EnsureToolFolder;
using takes::FinishedTake;
using takes::FinishTake;
using capture::FramePipeFormat;
using capture::FramePipeHooks;
using takes::kRecordFps;
using recording::RunOutput;
using capture::MakeGrabFrameSource;
using encoder::PrepareTool;
using recording::RecordRun;
using recording::RecordSettings;
using recording::RecordSources;
using capture::RunFramePipeRecord;
using takes::TakeEnd;
using takes::TakeFiles;
using takes::TakeFilesOf;

namespace {

using Clock = std::chrono::steady_clock;

// write_bytes of /proc/self/io: this process's, and since the kernel adds a
// reaped child's counts to its parent's, the encoder's once it has ended.
long long writeBytes()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "write_bytes:")
            return value;
    }
    return -1;
}

long lastValue(const std::string& text, const char* key)
{
    const std::size_t at = text.rfind(key);
    return at == std::string::npos ? -1 : std::atol(text.c_str() + at + std::strlen(key));
}

// The run before takes: RecordRun's X11 path with one plain MP4 output.
void recordPlain(const RecordSources& sources, const std::string& out, const std::stop_token& stop, long* frames)
{
    const std::string quotedTool = PrepareTool();
    const platform::Desktop desktop = platform::currentDesktop();
    if (desktop.grab != platform::DesktopGrab::X11) {
        std::fprintf(stderr, "take_finish_bench: not an X11 screen this program grabs\n");
        std::exit(1);
    }
    const std::int64_t origin = platform::wallClockMicros();
    const auto grab
        = MakeGrabFrameSource(platform::openScreenGrab(desktop.display, {0, 0, desktop.width, desktop.height}));
    const FramePipeFormat format{desktop.width & ~1, desktop.height & ~1, kRecordFps, origin,
                                 sources.audioMode >= 0};
    const std::string line = BuildRecordCommandLine(
        quotedTool, BuildFramePipeRecordArgs(sources, format.width, format.height, origin), out);
    FramePipeHooks hooks;
    hooks.frames = frames;
    RunFramePipeRecord(*grab, format, line, {out}, stop, hooks);
}

int record(int argc, char** argv)
{
    if (argc < 6)
        return 2;
    const int seconds = std::atoi(argv[2]);
    const RecordSources sources{std::atoi(argv[3]), "spk.monitor", argc > 6 ? argv[6] : "vmic"};
    const std::string folder = argv[4];
    const bool take = std::strcmp(argv[5], "take") == 0;
    EnsureToolFolder();

    const long long writtenBefore = writeBytes();
    Clock::time_point stopAt;
    std::stop_source stop;
    std::thread timer([&] {
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        stopAt = Clock::now();
        stop.request_stop();
    });
    long frames = -1;
    std::string file;
    if (take) {
        RecordSettings settings;
        settings.sources = sources;
        settings.saveFolder = folder;
        FinishedTake finished;
        RunOutput output;
        RecordRun(settings, stop.get_token(), &finished, nullptr, &output);
        file = finished.path;
        frames = lastValue(output.lastLine(), "frame=");
    } else {
        file = folder + "/plain.mp4";
        recordPlain(sources, file, stop.get_token(), &frames);
    }
    const Clock::time_point end = Clock::now();
    timer.join();
    const double encoderCpu = cpuSeconds(RUSAGE_CHILDREN);
    const double selfCpu = cpuSeconds(RUSAGE_SELF);
    std::printf("stop=%.3f cpu=%.3f self=%.3f written=%lld frames=%ld file=%s\n",
                std::chrono::duration<double>(end - stopAt).count(), encoderCpu + selfCpu, selfCpu,
                writeBytes() - writtenBefore, frames, file.c_str());
    return 0;
}

// Writes the last `bytes` of `path` over with themselves: dirty in the cache,
// as the encoder leaves them.
bool dirtyTail(const std::string& path, long long bytes)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st{};
    ::fstat(fd, &st);
    const off_t from = st.st_size > bytes ? st.st_size - bytes : 0;
    std::vector<char> buffer(static_cast<std::size_t>(st.st_size - from));
    const bool ok = ::pread(fd, buffer.data(), buffer.size(), from) == static_cast<ssize_t>(buffer.size())
        && ::pwrite(fd, buffer.data(), buffer.size(), from) == static_cast<ssize_t>(buffer.size());
    ::close(fd);
    return ok;
}

const char* endName(TakeEnd end)
{
    switch (end) {
    case TakeEnd::Whole: return "whole";
    case TakeEnd::SavedFromWorking: return "saved-from-working";
    case TakeEnd::KeptWorking: return "kept-working";
    case TakeEnd::Empty: return "empty";
    case TakeEnd::KeptParts: return "kept-parts";
    }
    return "?";
}

int finish(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    EnsureToolFolder();
    const TakeFiles files = TakeFilesOf(std::string(argv[2]) + ".mp4");
    if (argc > 3 && !dirtyTail(files.workingMp4, std::atoll(argv[3]))) {
        std::fprintf(stderr, "take_finish_bench: cannot rewrite the end of %s\n", files.workingMp4.c_str());
        return 1;
    }
    const Clock::time_point start = Clock::now();
    const FinishedTake take = FinishTake(files);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("seconds=%.3f end=%s length=%lld file=%s\n", seconds, endName(take.end),
                static_cast<long long>(take.microseconds), take.path.c_str());
    return 0;
}

int moov(const char* path)
{
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return 1;
    long long at = 0;
    long long found = -1;
    unsigned char head[16];
    while (std::fseek(f, at, SEEK_SET) == 0 && std::fread(head, 1, 8, f) == 8) {
        unsigned long long size = (static_cast<unsigned long long>(head[0]) << 24) | (head[1] << 16) | (head[2] << 8)
            | head[3];
        if (size == 1) {
            if (std::fread(head + 8, 1, 8, f) != 8)
                break;
            size = 0;
            for (int i = 8; i < 16; ++i)
                size = (size << 8) | head[i];
        }
        if (size < 8)
            break; // 0: to the end of the file; no index after it
        if (std::memcmp(head + 4, "moov", 4) == 0)
            found = static_cast<long long>(size);
        at += static_cast<long long>(size);
    }
    std::fclose(f);
    std::printf("%lld\n", found);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "record") == 0)
        return record(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "finish") == 0)
        return finish(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "moov") == 0)
        return moov(argv[2]);
    std::fprintf(stderr, "usage: take_finish_bench record SECONDS MODE FOLDER take|plain [MIC]\n"
                         "       take_finish_bench finish STEM [DIRTY_BYTES]\n"
                         "       take_finish_bench moov FILE.mp4\n");
    return 2;
}
