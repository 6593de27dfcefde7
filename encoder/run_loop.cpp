#include "encoder/run_loop.h"

#include <functional>
#include <optional>
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
    // Only a run with long waits needs a stop to wake it; the others keep
    // their short waits and make nothing for it.
    std::optional<platform::WaitWake> wake;
    std::optional<std::stop_callback<std::function<void()>>> woken;
    if (idleWaitMs_ > kPassWaitMs) {
        wake.emplace();
        woken.emplace(stop_.stop, [&wake] { wake->raise(); });
    }
    for (;;) {
        // Once stopping, each pass counts: the encoder is asked and pressed.
        const bool idle = wake && !stop_.stop.stop_requested();
        const bool exited = idle ? child_.waitForExit(idleWaitMs_, &*wake) : child_.waitForExit(kPassWaitMs);
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
