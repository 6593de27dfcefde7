// Plays the encoder's part in the runner tests, with faults on demand.
//   fault_child frames             progress lines until it reads "q"
//   fault_child flood BYTES        BYTES of output as fast as the pipe takes them
//   fault_child invalid            "Invalid data", then silence for 10 s or until "q"
//   fault_child split-invalid      "Invalid" and " data" in two separate writes
//   fault_child ignore-q MS FILE   ignores "q" for MS ms, then writes the count
//                                  of "q" lines it read into FILE and exits
//   fault_child ignore-term MS FILE  as ignore-q, and ignores SIGTERM too
//   fault_child exit-now           exits at once
//   fault_child close-output MS    closes its output at once, ends after MS ms
//   fault_child args FILE ...      writes the remaining arguments into FILE,
//                                  each ended by a zero byte
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono;

void say(const std::string& text) { (void)!::write(1, text.data(), text.size()); }

// Reads what stdin has within `ms`; returns the number of 'q' seen, -1 at EOF.
int readQuits(int ms)
{
    pollfd p{0, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0)
        return 0;
    char buf[4096];
    const ssize_t n = ::read(0, buf, sizeof buf);
    if (n <= 0)
        return -1;
    int q = 0;
    for (ssize_t i = 0; i < n; ++i)
        q += buf[i] == 'q';
    return q;
}

int frames()
{
    say("Press [q] to stop, [?] for help\n");
    for (int frame = 0;; ++frame) {
        say("frame=" + std::to_string(frame) + " fps= 60 q=-1.0 size=  1kB time=00:00:00.00\r");
        if (readQuits(50) > 0)
            return 0;
    }
}

int flood(long long bytes)
{
    std::string line(1000, 'x');
    line.back() = '\n';
    for (long long sent = 0; sent < bytes; sent += static_cast<long long>(line.size()))
        say(line);
    return 0;
}

int ignoreQuit(int ms, const char* file)
{
    const auto end = steady_clock::now() + milliseconds(ms);
    int quits = 0;
    while (steady_clock::now() < end) {
        const int q = readQuits(10);
        if (q > 0)
            quits += q;
    }
    std::ofstream(file) << quits;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string mode = argv[1];
    if (mode == "frames")
        return frames();
    if (mode == "flood" && argc > 2)
        return flood(std::atoll(argv[2]));
    if (mode == "invalid") {
        say("[mov,mp4] moov atom not found\nbad.mp4: Invalid data found when processing input\n");
        // Like an encoder that goes on after the message, whether or not its
        // input is closed: only "q" ends it early.
        for (int waited = 0; waited < 10000; waited += 50) {
            const int quits = readQuits(50);
            if (quits > 0)
                break;
            if (quits < 0)
                std::this_thread::sleep_for(milliseconds(50));
        }
        return 1;
    }
    if (mode == "split-invalid") {
        say("header line\nbad.mp4: Invalid");
        std::this_thread::sleep_for(milliseconds(300));
        say(" data found when processing input\n");
        return 1;
    }
    if (mode == "ignore-q" && argc > 3)
        return ignoreQuit(std::atoi(argv[2]), argv[3]);
    if (mode == "ignore-term" && argc > 3) {
        std::signal(SIGTERM, SIG_IGN);
        return ignoreQuit(std::atoi(argv[2]), argv[3]);
    }
    if (mode == "exit-now")
        return 0;
    if (mode == "close-output" && argc > 2) {
        ::close(1);
        ::close(2);
        std::this_thread::sleep_for(milliseconds(std::atoi(argv[2])));
        return 0;
    }
    if (mode == "args" && argc > 2) {
        std::ofstream out(argv[2], std::ios::binary);
        for (int i = 3; i < argc; ++i)
            out.write(argv[i], static_cast<std::streamsize>(std::strlen(argv[i]) + 1));
        return 0;
    }
    return 2;
}
