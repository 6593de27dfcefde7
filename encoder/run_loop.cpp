#include "encoder/run_loop.h"

#include <stop_token>

namespace encoder {

namespace {

constexpr int kPassWaitMs = 5;
// Passes that still drain output after the encoder has ended.
constexpr int kDrainPasses = 100;

} // namespace

void RunLoop::drive(Until until, const std::function<bool()>& drain, const std::function<void(bool exited)>& step)
{
    int countdown = kDrainPasses;
    bool read = false;
    platform::WaitWake wake;
    const std::stop_callback woken(stop_.stop, [&wake] { wake.raise(); });
    for (;;) {
        // Once stopping, each pass counts: the encoder is asked and pressed.
        const bool idle = idleWaitMs_ > kPassWaitMs && !stop_.stop.stop_requested();
        const bool exited = idle ? child_.waitForExit(idleWaitMs_, &wake) : child_.waitForExit(kPassWaitMs);
        if (exited && --countdown < 0)
            break;
        read = read || drain();
        if (read && (exited || until == Until::OutputRead))
            break;
        step(exited);
    }
}

bool RunLoop::settle()
{
    for (int i = 0; i < kDrainPasses && !child_.waitForExit(kPassWaitMs); ++i) { }
    return child_.waitForExit(0);
}

} // namespace encoder
