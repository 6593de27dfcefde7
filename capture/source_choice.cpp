#include "capture/source_choice.h"

namespace capture {

std::unique_ptr<FrameSource> OpenFrameSource(const platform::Desktop& desktop, const platform::ScreenArea& part,
                                             bool partial, std::uint64_t window, const PipeWireStream* cast)
{
    switch (desktop.grab) {
    case platform::DesktopGrab::X11:
        // Its own copy and conversion cost a fraction of the encoder's grab.
        return MakeGrabFrameSource(platform::openScreenGrab(desktop.display, part, window));
    case platform::DesktopGrab::PipeWire: {
        if (!cast)
            return nullptr;
        std::unique_ptr<FrameSource> source = OpenScreenCastFrameSource(*cast);
        return source && partial ? CropFrames(std::move(source), part) : std::move(source);
    }
    default:
        return nullptr;
    }
}

} // namespace capture
