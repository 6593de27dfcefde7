#include "capture/frame_pump.h"

#include "capture/frame_convert.h"
#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/worker_thread.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace capture {

namespace {

// Half a second of frames waits at most, in at most 128 MiB (a 4K screen's
// I420 frames are 12 MiB): enough for the encoder's wait for its first sound
// and its moments behind, not so much that a stalled encoder eats the memory.
constexpr std::size_t kQueueBudget = 128u << 20;
constexpr std::size_t kQueueFrames = 32;

} // namespace

FramePump::FramePump(FrameSource& source, int width, int height, double fps, std::int64_t originMicros,
                     std::intptr_t pipeFd)
    : source_(source), width_(width), height_(height), fps_(fps), origin_(originMicros), pipe_(pipeFd),
      frameBytes_(I420Bytes(width, height)),
      maxBuffers_(std::clamp<std::size_t>(kQueueBudget / std::max<std::size_t>(frameBytes_, 1), 4, kQueueFrames))
{
}

FramePump::~FramePump() { join(); }

void FramePump::join()
{
    requestStop();
    if (capturer_.joinable())
        capturer_.join();
    if (writer_.joinable())
        writer_.join();
    if (pipe_ >= 0) { // never started
        platform::closeDescriptor(pipe_);
        pipe_ = -1;
    }
}

void FramePump::start()
{
    writer_ = platform::startWorker([this] { write(); });
    capturer_ = platform::startWorker([this](std::stop_token stop) { capture(std::move(stop)); });
}

void FramePump::requestStop() { capturer_.request_stop(); }

void FramePump::endCaptures(std::int64_t endMicros)
{
    endAt_ = endMicros;
    requestStop();
    if (capturer_.joinable())
        capturer_.join();
}

std::int64_t FramePump::endMicros() const
{
    std::lock_guard lock(mutex_);
    return slotMicros(endSlot_ + 1);
}

FramePumpCounts FramePump::counts() const
{
    std::lock_guard lock(mutex_);
    return counts_;
}

std::int64_t FramePump::slotMicros(long slot) const
{
    return origin_ + static_cast<std::int64_t>(std::llround(static_cast<double>(slot) * 1e6 / fps_));
}

long FramePump::slotAt(std::int64_t micros) const
{
    return static_cast<long>(std::llround(static_cast<double>(micros - origin_) * fps_ / 1e6));
}

std::unique_ptr<std::uint8_t[]> FramePump::takeBuffer()
{
    std::lock_guard lock(mutex_);
    if (!free_.empty()) {
        auto buffer = std::move(free_.back());
        free_.pop_back();
        return buffer;
    }
    if (buffers_ >= maxBuffers_)
        return nullptr;
    ++buffers_;
    return std::make_unique_for_overwrite<std::uint8_t[]>(frameBytes_);
}

void FramePump::push(Queued item)
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(item));
    }
    queued_.notify_one();
}

void FramePump::capture(std::stop_token stop)
{
    long next = 0;             // the instant the next capture aims at
    long lastPlaced = -1;      // the latest instant that has its frame
    std::int64_t halfGrab = 0; // a capture's time stands this far after its request
    while (!stop.stop_requested()) {
        CapturedFrame frame;
        const std::int64_t asked = platform::wallClockMicros();
        const FrameWait got = source_.next(slotMicros(next) - halfGrab, frame);
        if (got == FrameWait::Ended) {
            sourceEnded_ = true;
            break;
        }
        if (got == FrameWait::Nothing)
            continue;
        const std::int64_t took = frame.capturedMicros - std::max(asked, slotMicros(next) - halfGrab);
        if (took > 0)
            halfGrab += (took - halfGrab) / 8;
        // A frame the source held from before the origin (a screen cast's,
        // kept while a recording was paused) shows no instant of this one,
        // nor does one from after a pause was pressed.
        const std::int64_t endAt = endOf_ ? endOf_() : 0;
        if (frame.capturedMicros < origin_ - static_cast<std::int64_t>(1e6 / fps_)
            || (endAt > 0 && slotAt(frame.capturedMicros) >= slotAt(endAt))) {
            std::lock_guard lock(mutex_);
            ++counts_.captured;
            ++counts_.dropped;
            continue;
        }
        const long slot = std::max(0L, slotAt(frame.capturedMicros));
        std::unique_ptr<std::uint8_t[]> buffer;
        if (slot > lastPlaced)
            buffer = takeBuffer();
        if (!buffer) {
            std::lock_guard lock(mutex_);
            ++counts_.captured;
            ++counts_.dropped;
            next = std::max(next, slot + 1);
            continue;
        }
        ConvertToI420(frame.pixels, width_, height_, buffer.get());
        {
            std::lock_guard lock(mutex_);
            ++counts_.captured;
            counts_.worstPlacementMicros =
                std::max(counts_.worstPlacementMicros, std::abs(frame.capturedMicros - slotMicros(slot)));
        }
        push({slot, std::move(buffer)});
        lastPlaced = slot;
        next = slot + 1;
    }
    // The recording lasts up to the stop: the last frame stands until then.
    {
        std::lock_guard lock(mutex_);
        // An end that came before the stop is the press of a pause: the
        // instant it fell on is the next stretch's first.
        endSlot_ = endAt_ > 0 ? std::max(lastPlaced, slotAt(endAt_) - 1)
                              : std::max(lastPlaced, slotAt(platform::wallClockMicros()));
    }
    push({-1, nullptr});
}

void FramePump::write()
{
    long written = 0; // instants written so far
    std::unique_ptr<std::uint8_t[]> last;
    bool failed = false;
    // Writes `frame` for each instant up to and including `slot`.
    const auto writeUpTo = [&](long slot, const std::uint8_t* frame, bool repeat) {
        for (; !failed && written <= slot; ++written) {
            failed = !platform::writeDescriptor(pipe_, frame, frameBytes_);
            std::lock_guard lock(mutex_);
            ++counts_.written;
            counts_.repeated += repeat;
        }
        if (failed && pipe_ >= 0) {
            platform::closeDescriptor(pipe_);
            pipe_ = -1;
            finished_ = true;
        }
    };
    for (;;) {
        Queued item;
        {
            std::unique_lock lock(mutex_);
            queued_.wait(lock, [this] { return !queue_.empty(); });
            item = std::move(queue_.front());
            queue_.pop_front();
        }
        if (item.slot < 0) {
            if (last)
                writeUpTo(endSlot_, last.get(), true);
            break;
        }
        if (failed) {
            // The encoder stopped reading: what waits is let go, and the
            // capture goes on only until its stop.
            std::lock_guard lock(mutex_);
            free_.push_back(std::move(item.frame));
            continue;
        }
        // Instants before the first capture show that capture.
        writeUpTo(item.slot - 1, last ? last.get() : item.frame.get(), true);
        writeUpTo(item.slot, item.frame.get(), false);
        if (last) {
            std::lock_guard lock(mutex_);
            free_.push_back(std::move(last));
        }
        last = std::move(item.frame);
    }
    platform::closeDescriptor(pipe_);
    pipe_ = -1;
    finished_ = true;
}

} // namespace capture
