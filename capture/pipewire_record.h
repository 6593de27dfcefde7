#pragma once
// The frames of a PipeWire screen cast (a Wayland desktop through its
// portal), handed on as any other frame source: read in this process where
// libpipewire can, else by a capturing child that turns the stream into raw
// frames and pipes them here. Qt-free.
#include "capture/frame_source.h"
#include "platform/screen_cast_stream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace capture {

struct PipeWireStream;

// Opens the stream in this process; null, with the reason in `why`, where it
// cannot.
using CastStreamOpener =
    std::function<std::unique_ptr<platform::ScreenCastStream>(const PipeWireStream&, std::string& why)>;

struct PipeWireStream {
    std::intptr_t remoteFd = -1; // the portal's PipeWire remote
    unsigned node = 0;
    int width = 0;
    int height = 0;
    // Replaces platform::openScreenCastStream (a fault faked in a test, the
    // fallback measured in a benchmark); empty: that one.
    CastStreamOpener inProcess;
};

// Who reads a cast's frames.
enum class CastReader {
    InProcess, // libpipewire in this process
    Child,     // the capturing child (GStreamer)
};

// The frames of the cast: read in this process, else (said in the debug log)
// by the capturing child made of `gstLaunch`. Null when neither started.
// `reader` tells which one reads.
std::unique_ptr<FrameSource> OpenScreenCastFrameSource(const PipeWireStream& stream,
                                                       const std::string& gstLaunch = "gst-launch-1.0",
                                                       CastReader* reader = nullptr);

// True where casts are read in this process, so that a missing capturing
// child does not keep a recording from starting.
bool CastReadableInProcess();

// The capturing child: the remote is its descriptor 3, raw BGRx frames of
// the stream's size leave on its descriptor 4. A static screen sends no
// frames, so the last one is repeated every second.
std::string BuildPipeWireCaptureCommand(const std::string& gstLaunch, const PipeWireStream& stream);

// What of the capturing child (the fallback) is missing here:
// "gst-launch-1.0" when GStreamer's tools are not installed, else the
// elements it lacks ("pipewiresrc", "videoconvert", ...), joined by ", ";
// empty when all is there. Where casts are not read in this process, asked
// before the desktop is asked to share the screen, so that the user learns
// what to install instead of a wrong diagnosis after it.
std::string MissingCaptureParts();

// Starts the capturing child; its frames are timed as they come. Null when
// it could not be started. The child is asked to end, and ended by force
// after a grace time, when the source is destroyed.
std::unique_ptr<FrameSource> StartPipeWireFrameSource(const std::string& captureCommand, const PipeWireStream& stream);

} // namespace capture
