// What the record page's live sound costs: both sources read by this
// program and their levels asked 20 times a second, as the meters do, for
// SECONDS; beside it, PulseAudio's own recorder (parec) of the same sources
// over the same time, as the reference. Prints each as a share of one core.
// Run inside scripts/headless-session.sh on a quiet machine.
//   meter_bench [SECONDS]
#include "capture/sound_capture.h"

#include "platform/child_process.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

double selfCpu()
{
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec)
        + static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// A child's CPU seconds so far, from /proc.
double childCpu(std::int64_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    double ticks = 0;
    for (int i = 1; i <= 15 && stat >> field; ++i)
        if (i == 14 || i == 15)
            ticks += std::atof(field.c_str());
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
    double ours = 0;
    {
        capture::SoundCapture computer("spk.monitor"), microphone("mic");
        computer.opened();
        microphone.opened();
        const double from = selfCpu();
        for (int i = 0; i < seconds * 20; ++i) {
            (void)computer.level();
            (void)microphone.level();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ours = (selfCpu() - from) / seconds;
    }
    platform::ChildProcess a, b;
    a.start("parec --latency-msec=50 -d spk.monitor --raw");
    b.start("parec --latency-msec=50 -d mic --raw");
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double from = childCpu(a.id()) + childCpu(b.id());
    // Their sound is read and let go, as a recorder would.
    char sink[65536];
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < until) {
        a.readOutput(sink, sizeof sink);
        b.readOutput(sink, sizeof sink);
        a.waitForExit(10);
    }
    const double parec = (childCpu(a.id()) + childCpu(b.id()) - from) / seconds;
    a.kill();
    b.kill();
    std::printf("meters (two sources, 20 levels/s): %.2f %% of a core; parec of the same two: %.2f %%\n", ours * 100,
                parec * 100);
    return 0;
}
