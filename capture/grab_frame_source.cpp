#include "capture/frame_source.h"

#include "platform/clock.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <thread>

namespace capture {

namespace {

class GrabFrameSource final : public FrameSource {
public:
    explicit GrabFrameSource(std::unique_ptr<platform::ScreenGrab> grab) : grab_(std::move(grab)) { }

    FrameWait next(std::int64_t dueMicros, CapturedFrame& frame) override
    {
        const std::int64_t wait = dueMicros - platform::wallClockMicros();
        if (wait > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(wait));
        const std::int64_t before = platform::wallClockMicros();
        const platform::Grabbed got = grab_->grab(frame.pixels);
        if (got == platform::Grabbed::Gone)
            return FrameWait::Ended;
        // The server copies the screen between our request and its answer.
        frame.capturedMicros = before + (platform::wallClockMicros() - before) / 2;
        return got == platform::Grabbed::Copied ? FrameWait::Frame : FrameWait::Unchanged;
    }

private:
    std::unique_ptr<platform::ScreenGrab> grab_;
};

class CroppedFrameSource final : public FrameSource {
public:
    CroppedFrameSource(std::unique_ptr<FrameSource> source, const platform::ScreenArea& part)
        : source_(std::move(source)), part_(part)
    {
    }

    FrameWait next(std::int64_t dueMicros, CapturedFrame& frame) override
    {
        const FrameWait got = source_->next(dueMicros, frame);
        if (got != FrameWait::Frame && got != FrameWait::Unchanged)
            return got;
        platform::ScreenFrame& p = frame.pixels;
        const int x = std::min(part_.x, p.width), y = std::min(part_.y, p.height);
        p.pixels += static_cast<std::ptrdiff_t>(y) * p.stride + 4 * x;
        p.width = std::min(part_.width, p.width - x);
        p.height = std::min(part_.height, p.height - y);
        return got;
    }

private:
    std::unique_ptr<FrameSource> source_;
    const platform::ScreenArea part_;
};

} // namespace

std::unique_ptr<FrameSource> CropFrames(std::unique_ptr<FrameSource> source, const platform::ScreenArea& part)
{
    return source ? std::make_unique<CroppedFrameSource>(std::move(source), part) : nullptr;
}

std::unique_ptr<FrameSource> MakeGrabFrameSource(std::unique_ptr<platform::ScreenGrab> grab)
{
    return grab ? std::make_unique<GrabFrameSource>(std::move(grab)) : nullptr;
}

} // namespace capture
