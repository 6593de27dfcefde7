#pragma once
// How every thread of ours is started, the recording worker's QThread
// aside: a std::jthread, so that its owner asks it to stop through its stop
// token and never leaves it running past its own end, with a
// ThreadCrashGuard for the thread's whole life, so that a stack overflow on
// it is still reported. A result for the interface thread goes there as a
// queued call, made by the owner. Qt-free.
#include "platform/crash_handler.h"

#include <stop_token>
#include <thread>
#include <type_traits>
#include <utility>

namespace platform {

// Runs `work` on a new thread; `work` takes the thread's stop token, or
// nothing when it has a stop of its own.
template <typename Work>
std::jthread startWorker(Work work)
{
    return std::jthread([work = std::move(work)](std::stop_token stop) mutable {
        const ThreadCrashGuard crashGuard;
        if constexpr (std::is_invocable_v<Work&, std::stop_token>)
            work(std::move(stop));
        else
            work();
    });
}

} // namespace platform
