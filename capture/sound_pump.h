#pragma once
// Feeds one sound input of the encoder through a pipe, from a live capture,
// as 16-bit stereo PCM on the recording's sample clock (see SoundPlacer):
// the sound from the recording's first instant on, with silence in step
// while the source is gone or silent in its sending, so that the encoder
// always gets one unbroken stream whatever the source does. Qt-free.
#include "capture/sound_capture.h"
#include "capture/sound_placer.h"

#include <atomic>
#include <cstdint>
#include <thread>

namespace capture {

class SoundPump {
public:
    // `pipeFd` is the write end of the encoder's sound pipe, closed by the
    // pump when it is done.
    SoundPump(const SoundCapture& capture, std::int64_t originMicros, std::intptr_t pipeFd);
    ~SoundPump();
    SoundPump(const SoundPump&) = delete;
    SoundPump& operator=(const SoundPump&) = delete;

    void start();
    // The sound ends at the wall-clock instant `endMicros`: written up to
    // it (in silence where the source sends nothing for a while), then the
    // pipe is closed.
    void end(std::int64_t endMicros);
    void join();
    bool finished() const { return finished_; }
    // Frames written so far.
    std::int64_t written() const { return written_; }

private:
    void run();

    const SoundCapture& capture_;
    SoundPlacer placer_;
    std::intptr_t pipe_;
    std::atomic<std::int64_t> end_{0};
    std::atomic<std::int64_t> written_{0};
    std::atomic<bool> finished_{false};
    std::jthread thread_;
};

} // namespace capture
