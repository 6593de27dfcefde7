#pragma once
// The frames of a PipeWire screen cast (a Wayland desktop through its
// portal): a capturing child turns the stream into raw frames and pipes them
// to this program, which hands them on as any other frame source. Qt-free.
#include "capture/frame_source.h"

#include <cstdint>
#include <memory>
#include <string>

namespace capture {

struct PipeWireStream {
    std::intptr_t remoteFd = -1; // the portal's PipeWire remote
    unsigned node = 0;
    int width = 0;
    int height = 0;
};

// The capturing child: the remote is its descriptor 3, raw BGRx frames of
// the stream's size leave on its descriptor 4. A static screen sends no
// frames, so the last one is repeated every second.
std::string BuildPipeWireCaptureCommand(const std::string& gstLaunch, const PipeWireStream& stream);

// What of the capturing child is missing here: "gst-launch-1.0" when GStreamer's
// tools are not installed, else the elements it lacks ("pipewiresrc",
// "videoconvert", ...), joined by ", "; empty when all is there. Asked
// before the desktop is asked to share the screen, so that the user learns
// what to install instead of a wrong diagnosis after it.
std::string MissingCaptureParts();

// Starts the capturing child; its frames are timed as they come. Null when
// it could not be started. The child is asked to end, and ended by force
// after a grace time, when the source is destroyed.
std::unique_ptr<FrameSource> StartPipeWireFrameSource(const std::string& captureCommand, const PipeWireStream& stream);

} // namespace capture
