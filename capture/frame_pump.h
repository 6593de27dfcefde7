#pragma once
// Feeds the encoder's pipe with I420 frames on a fixed grid of instants:
// frame n stands for origin + n/fps and is the capture nearest that instant.
// A frame is written only when the screen changed, with its instant, and
// stands in the file until the next: a still screen costs no copies,
// conversions, writes or encoding. The last one is written again where it
// has stood its longest, and at the end. The encoder holds a picture until
// the next one comes, and the sound until the picture reaches it: the
// longest stand bounds how far the working file, and what a crash leaves,
// trails the screen. A capture that falls on an
// instant already filled is dropped. Capturing and writing run on threads of
// their own, so that an encoder that is slow for a moment (or waits for its
// sound at the start) costs no captures until half a second of frames
// waits. Qt-free.
#include "capture/frame_source.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace capture {

struct FramePumpCounts {
    long captured = 0;  // frames the source gave
    long unchanged = 0; // instants the source found the screen as it was
    long written = 0;   // pictures the encoder got, repeats included
    long repeated = 0;  // pictures written again: at a stand's end or the end
    long dropped = 0;   // captures that found their instant filled, or no room
    // The largest distance of a written capture from its instant.
    std::int64_t worstPlacementMicros = 0;
};

// How long a picture stands at most before it is written again: with
// sound the encoder's muxer holds the sound until the picture reaches it,
// and what a crash leaves trails the screen by that much. Without sound it
// trails by the longer time, which costs a still screen less. A picture
// also stands where a keyframe is due, at each third second.
inline constexpr double kLongestStandSeconds = 0.25;
inline constexpr double kLongestSilentStandSeconds = 1.0;
inline constexpr double kKeyframeSeconds = 3.0;

class FramePump {
public:
    // `width` and `height` are even and at most the source's frame size;
    // `pipeFd` is the write end of the encoder's frame pipe, which the pump
    // closes when it is done.
    FramePump(FrameSource& source, int width, int height, double fps, std::int64_t originMicros, std::intptr_t pipeFd,
              double longestStandSeconds = kLongestStandSeconds);
    ~FramePump();
    FramePump(const FramePump&) = delete;
    FramePump& operator=(const FramePump&) = delete;

    // Asked before each capture is placed: the wall-clock instant the
    // recording ended before its stop reached the pump (the press of a
    // pause), else 0. Captures from then on are left out.
    void setEnd(std::function<std::int64_t()> endOf) { endOf_ = std::move(endOf); }
    void start();
    // Captures end; the frames that wait are written, the last one repeated
    // up to the stop's instant, and the pipe is closed.
    void requestStop();
    // As requestStop(), and waits until the source is no longer asked:
    // another pump may then take frames from it. A recording that ended
    // earlier, at `endMicros` on the wall clock, is written up to then
    // (and the captures already placed after it).
    void endCaptures(std::int64_t endMicros = 0);
    // Stops and waits until the pipe is closed; the encoder must be reading
    // or gone.
    void join();
    // The pipe is closed: stopped and written out, the source ended, or the
    // encoder stopped reading.
    bool finished() const { return finished_; }
    // The source ended by itself (not through requestStop).
    bool sourceEnded() const { return sourceEnded_; }
    // Once endCaptures() has returned: the wall-clock instant the written
    // frames end at (the last one's instant and one frame), which the
    // sound must reach.
    std::int64_t endMicros() const;
    FramePumpCounts counts() const;

private:
    struct Queued {
        long slot = 0; // -1: the end, repeat the last frame up to endSlot
        std::unique_ptr<std::uint8_t[]> frame;
    };

    void capture(std::stop_token stop);
    void write();
    // The first stand's end after `slot`.
    long standSlotAfter(long slot) const;
    std::unique_ptr<std::uint8_t[]> takeBuffer();
    void push(Queued item);
    std::int64_t slotMicros(long slot) const;
    long slotAt(std::int64_t micros) const;

    FrameSource& source_;
    const int width_;
    const int height_;
    const double fps_;
    const std::int64_t origin_;
    const double standSlots_;
    std::intptr_t pipe_;
    const std::size_t frameBytes_;
    const std::size_t maxBuffers_;

    mutable std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<Queued> queue_;
    std::vector<std::unique_ptr<std::uint8_t[]>> free_;
    std::size_t buffers_ = 0;
    long endSlot_ = 0;
    bool endSet_ = false;
    long claimedSlot_ = -1; // a stand's end the writer filled on its own
    bool writerGone_ = false;
    FramePumpCounts counts_;

    std::atomic<std::int64_t> endAt_{0};
    std::function<std::int64_t()> endOf_;
    std::atomic<bool> finished_{false};
    std::atomic<bool> sourceEnded_{false};
    std::jthread capturer_;
    std::jthread writer_;
};

} // namespace capture
