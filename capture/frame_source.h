#pragma once
// Where a recording's frames come from: this process's own grab of an X
// screen, or a screen cast's capturing child. The frame pump asks for them
// and feeds the encoder. Qt-free.
#include "platform/screen_grab.h"

#include <cstdint>
#include <memory>

namespace capture {

enum class FrameWait {
    Frame,     // a frame came
    Unchanged, // the screen is as the last frame showed it (its instant is set, and its
               // pixels where the source keeps them)
    Nothing,   // none within the wait: ask again
    Ended,   // the source is gone (the display closed, the cast ended)
};

struct CapturedFrame {
    platform::ScreenFrame pixels;    // valid until the next call
    std::int64_t capturedMicros = 0; // when it showed the screen, on the wall clock
};

class FrameSource {
public:
    virtual ~FrameSource() = default;
    // The next frame, taken no earlier than `dueMicros` (wall clock) where
    // the source takes frames on demand; a source that is sent frames
    // returns the next one that came, or Nothing after a short wait. A
    // source that knows what changed answers Unchanged, at no cost, for a
    // screen the last frame still shows.
    virtual FrameWait next(std::int64_t dueMicros, CapturedFrame& frame) = 0;
};

// Grabs the X screen on demand, timing each frame at the middle of its copy,
// and only where it changed.
std::unique_ptr<FrameSource> MakeGrabFrameSource(std::unique_ptr<platform::ScreenGrab> grab);

// The frames of `source` cut to `part`; a frame too small for it keeps what
// of the part it has. For a source that cannot be asked for a part alone (a
// screen cast).
std::unique_ptr<FrameSource> CropFrames(std::unique_ptr<FrameSource> source, const platform::ScreenArea& part);

} // namespace capture
