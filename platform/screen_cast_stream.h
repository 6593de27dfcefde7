#pragma once
// A screen cast's stream (a Wayland desktop's, through its portal) read in
// this process: the frames the compositor shares, one copy each, timed as
// they come. Qt-free.
#include "platform/screen_grab.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

enum class CastFrame {
    Frame,     // a new frame came
    Unchanged, // nothing changed since the last frame, whose pixels are given again
    Nothing,   // none within the wait
    Ended,     // the stream or its remote is gone
};

class ScreenCastStream {
public:
    virtual ~ScreenCastStream() = default;
    // Waits up to `waitMs` for a frame newer than the last one given; once
    // one was given, a wait without a newer one answers Unchanged. Its
    // pixels (blue first, the size asked at the open) stay valid until the
    // next call; `capturedMicros` is when it came, on wallClockMicros().
    virtual CastFrame next(int waitMs, ScreenFrame& frame, std::int64_t& capturedMicros) = 0;
};

// Reads `node` of the PipeWire remote `remoteFd` (which stays the caller's:
// the stream talks over a duplicate). Frames of another size than
// `width` x `height` are cut or padded to it. Null, with the reason in
// `why`, where this system has no such reading, or the remote could not be
// reached or agreed on no format within `timeoutMs`. Another reader may then
// use the remote: the server starts a connection anew at its client's hello.
std::unique_ptr<ScreenCastStream> openScreenCastStream(std::intptr_t remoteFd, unsigned node, int width, int height,
                                                       int timeoutMs, std::string& why);

// Whether this build reads casts in this process at all.
bool screenCastStreamsBuiltIn();

} // namespace platform
