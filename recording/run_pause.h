#pragma once
// The pause of one recording: the window asks for it, the recording run
// follows. Owned by the recording session and handed to each run. Qt-free.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>

namespace recording {

class RunPause {
public:
    void pause() { set(true); }
    void resume() { set(false); }
    bool paused() const;
    // When the state last changed, on the wall clock: the press that asked.
    std::int64_t changedAtMicros() const;
    // Waits until the state differs from `from` or a stop is requested; the
    // state then.
    bool waitForChange(bool from, std::stop_token stop) const;

private:
    void set(bool paused);

    mutable std::mutex mutex_;
    mutable std::condition_variable_any changed_;
    bool paused_ = false;
    std::int64_t changedAt_ = 0;
};

} // namespace recording
