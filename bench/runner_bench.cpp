// A real ffmpeg run of 10 s through the runner: the runner's own CPU seconds
// against the encoder child's.
#include "cpu_time.h"
#include "encoder/runner.h"
#include "encoder/tool.h"
#include "platform/clock.h"
#include "platform/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <thread>

using encoder::EnsureToolFolder;
using encoder::PrepareTool;
using encoder::RunStopRequested;
using encoder::RunTool;

int main(int argc, char** argv)
{
    const int runSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
    EnsureToolFolder();
    const auto out = std::filesystem::temp_directory_path() / "vtr-runner-bench.mp4";
    std::filesystem::remove(out);
    const std::string line = PrepareTool()
        + " -f lavfi -i testsrc2=size=1280x720:rate=30 -vcodec libx264 -preset ultrafast -pix_fmt yuv420p -f mp4 "
        + platform::quoteArgument(out.string()) + " ";

    const std::uint64_t start = platform::tickCount();
    std::uint64_t chunks = 0;
    std::stop_source stop;
    std::thread timer([&] {
        std::this_thread::sleep_for(std::chrono::seconds(runSeconds));
        stop.request_stop();
    });
    const int status = RunTool(
        line,
        [&](const char*, std::size_t) {
            ++chunks;
            return false;
        },
        stop.get_token());
    timer.join();
    const double wall = static_cast<double>(platform::tickCount() - start) / 1000.0;

    const double ours = cpuSeconds(RUSAGE_SELF);
    const double theirs = cpuSeconds(RUSAGE_CHILDREN);
    std::printf("runner bench: status %d, wall %.2f s, %llu output chunks\n", status, wall,
                static_cast<unsigned long long>(chunks));
    std::printf("  runner CPU  %.3f s (%.2f%% of wall)\n", ours, 100.0 * ours / wall);
    std::printf("  encoder CPU %.3f s\n", theirs);
    std::printf("  ratio runner/encoder %.4f\n", theirs > 0 ? ours / theirs : 0.0);
    std::filesystem::remove(out);
    return status == RunStopRequested ? 0 : 1;
}
