#include "capture/frame_pump.h"

#include "capture/frame_convert.h"
#include "capture/frame_stream.h"
#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/worker_thread.h"
#include "util/debug_log.h"

#include <algorithm>
#include <chrono>
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
                     std::intptr_t pipeFd, double longestStandSeconds)
    : source_(source), width_(width), height_(height), fps_(fps), origin_(originMicros),
      standSlots_(std::max(1.0, longestStandSeconds * fps)), pipe_(pipeFd),
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
        // A pump's first picture is the screen as the source still shows
        // it: after a pause nothing may have changed since the last stretch.
        if (got == FrameWait::Unchanged && (lastPlaced >= 0 || !frame.pixels.pixels)) {
            std::lock_guard lock(mutex_);
            ++counts_.unchanged;
            next = std::max(next, slotAt(frame.capturedMicros) + 1);
            continue;
        }
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
        endSlot_ = std::max(claimedSlot_, endAt_ > 0 ? std::max(lastPlaced, slotAt(endAt_) - 1)
                                                      : std::max(lastPlaced, slotAt(platform::wallClockMicros())));
        endSet_ = true;
    }
    push({-1, nullptr});
}

long FramePump::standSlotAfter(long slot) const
{
    // The first picture stands one frame: the encoder holds each picture
    // until the next comes, and the first bytes of a take wait for it.
    if (slot == 0)
        return 1;
    // A keyframe is due at each third second: a picture stands there.
    const double keyPeriod = kKeyframeSeconds * fps_;
    const long nextKey = static_cast<long>(
        std::ceil((std::floor(static_cast<double>(slot) / keyPeriod) + 1) * keyPeriod - 1e-6));
    return std::min(nextKey, slot + static_cast<long>(std::ceil(standSlots_ - 1e-6)));
}

void FramePump::write()
{
    long lastSlot = -1; // the instant of the last picture written
    std::unique_ptr<std::uint8_t[]> last;
    bool failed = false;
    const auto fail = [&] {
        failed = true;
        if (pipe_ >= 0) {
            platform::closeDescriptor(pipe_);
            pipe_ = -1;
            finished_ = true;
        }
    };
    const auto send = [&](long slot, const std::uint8_t* frame, bool repeat) {
        if (failed)
            return;
        const std::string head = FrameRecordHead(slotMicros(slot) - origin_, frameBytes_);
        if (!platform::writeDescriptor(pipe_, head.data(), head.size())
            || !platform::writeDescriptor(pipe_, frame, frameBytes_))
            return fail();
        if (lastSlot < 0) {
            const std::int64_t after = (platform::wallClockMicros() - origin_) / 100;
            util::DebugLog("start: the first picture is in the encoder's pipe " + std::to_string(after / 10) + "."
                           + std::to_string(after % 10) + " ms after the origin");
        }
        lastSlot = slot;
        std::lock_guard lock(mutex_);
        ++counts_.written;
        counts_.repeated += repeat;
    };
    // The last picture again at each stand's end before `slot` that no
    // picture reached.
    const auto standsBefore = [&](long slot) {
        for (long k = standSlotAfter(lastSlot); last && k < slot; k = standSlotAfter(k))
            send(k, last.get(), true);
    };
    const std::string head = FrameStreamHead(width_, height_, fps_);
    if (!platform::writeDescriptor(pipe_, head.data(), head.size()))
        fail();
    for (;;) {
        Queued item;
        {
            std::unique_lock lock(mutex_);
            if (last && !failed && !endSet_) {
                // Woken a frame after a stand's end, if no capture took
                // it: the encoder gets its picture as it happens. The
                // instant is claimed, so that the end falls after it.
                // The first picture's stand is written at its own instant,
                // mostly passed: the encoder gives a picture out only once
                // the next has come, and the take's first bytes wait for it.
                const long due = standSlotAfter(lastSlot);
                const auto wait = std::chrono::microseconds(std::max<std::int64_t>(
                    0, slotMicros(lastSlot == 0 ? due : due + 1) - platform::wallClockMicros()));
                if (!queued_.wait_for(lock, wait, [this] { return !queue_.empty(); })) {
                    claimedSlot_ = due;
                    lock.unlock();
                    standsBefore(due + 1);
                    continue;
                }
            } else {
                queued_.wait(lock, [this] { return !queue_.empty(); });
            }
            item = std::move(queue_.front());
            queue_.pop_front();
        }
        if (item.slot < 0) {
            // The recording lasts up to its end: the last picture stands
            // there once more, for one frame.
            standsBefore(endSlot_);
            if (last && endSlot_ > lastSlot)
                send(endSlot_, last.get(), true);
            break;
        }
        if (failed) {
            // The encoder stopped reading: what waits is let go, and the
            // capture goes on only until its stop.
            std::lock_guard lock(mutex_);
            free_.push_back(std::move(item.frame));
            continue;
        }
        // The first capture stands from the recording's start.
        const long slot = lastSlot < 0 ? 0 : std::max(item.slot, lastSlot + 1);
        standsBefore(slot);
        send(slot, item.frame.get(), false);
        if (last) {
            std::lock_guard lock(mutex_);
            free_.push_back(std::move(last));
        }
        last = std::move(item.frame);
    }
    if (pipe_ >= 0)
        platform::closeDescriptor(pipe_);
    pipe_ = -1;
    finished_ = true;
}

} // namespace capture
