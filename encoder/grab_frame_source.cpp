#include "encoder/frame_source.h"

#include "platform/clock.h"

#include <chrono>
#include <thread>

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
        if (!grab_->grab(frame.pixels))
            return FrameWait::Ended;
        // The server copies the screen between our request and its answer.
        frame.capturedMicros = before + (platform::wallClockMicros() - before) / 2;
        return FrameWait::Frame;
    }

private:
    std::unique_ptr<platform::ScreenGrab> grab_;
};

} // namespace

std::unique_ptr<FrameSource> MakeGrabFrameSource(std::unique_ptr<platform::ScreenGrab> grab)
{
    return grab ? std::make_unique<GrabFrameSource>(std::move(grab)) : nullptr;
}
