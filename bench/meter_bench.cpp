// What the record page's live sound costs: both sources read by this
// program and their levels asked 20 times a second, as the meters do, for
// SECONDS; beside it, PulseAudio's own recorder (parec) of the same sources
// over the same time, as the reference. Prints each as a share of one core.
// Run inside scripts/headless-session.sh on a quiet machine.
//   meter_bench [SECONDS]
#include "cpu_time.h"
#include "capture/sound_capture.h"

#include "platform/child_process.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
    double ours = 0;
    {
        capture::SoundCapture computer("spk.monitor"), microphone("mic");
        computer.opened();
        microphone.opened();
        const double from = cpuSeconds(RUSAGE_SELF);
        for (int i = 0; i < seconds * 20; ++i) {
            (void)computer.level();
            (void)microphone.level();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ours = (cpuSeconds(RUSAGE_SELF) - from) / seconds;
    }
    platform::ChildProcess a, b;
    a.start("parec --latency-msec=50 -d spk.monitor --raw");
    b.start("parec --latency-msec=50 -d mic --raw");
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double from = cpuSecondsOfProcess(a.id()) + cpuSecondsOfProcess(b.id());
    // Their sound is read and let go, as a recorder would.
    char sink[65536];
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < until) {
        a.readOutput(sink, sizeof sink);
        b.readOutput(sink, sizeof sink);
        a.waitForExit(10);
    }
    const double parec = (cpuSecondsOfProcess(a.id()) + cpuSecondsOfProcess(b.id()) - from) / seconds;
    a.kill();
    b.kill();
    std::printf("meters (two sources, 20 levels/s): %.2f %% of a core; parec of the same two: %.2f %%\n", ours * 100,
                parec * 100);
    return 0;
}
