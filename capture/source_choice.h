#pragma once
// Which frame source records a desktop. Qt-free.
#include "capture/frame_source.h"
#include "capture/pipewire_record.h"
#include "platform/desktop.h"

#include <cstdint>
#include <memory>

namespace capture {

// The frames of `part` of `desktop`: on X11 this program's own grab (it
// follows `window` where one is given), on a screen cast the reading of `cast`
// (in this process, else by the capturing child), cut to `part` when that is less than the whole. Null where the
// encoder grabs the screen itself (Windows, or an X screen this grab cannot
// take: a remote display, 16-bit pixels), and for a cast that could not be
// started or was not given.
std::unique_ptr<FrameSource> OpenFrameSource(const platform::Desktop& desktop, const platform::ScreenArea& part,
                                             bool partial, std::uint64_t window, const PipeWireStream* cast);

} // namespace capture
