#include "recording/run_pause.h"

#include "platform/clock.h"

namespace recording {

bool RunPause::paused() const
{
    std::lock_guard lock(mutex_);
    return paused_;
}

std::int64_t RunPause::changedAtMicros() const
{
    std::lock_guard lock(mutex_);
    return changedAt_;
}

bool RunPause::waitForChange(bool from, std::stop_token stop) const
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, stop, [&] { return paused_ != from; });
    return paused_;
}

void RunPause::set(bool paused)
{
    {
        std::lock_guard lock(mutex_);
        if (paused_ == paused)
            return;
        paused_ = paused;
        changedAt_ = platform::wallClockMicros();
    }
    changed_.notify_all();
}

} // namespace recording
