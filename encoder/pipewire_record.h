#pragma once
// A recording of a PipeWire screen cast (a Wayland desktop through its
// portal): a capturing child turns the stream into raw frames and pipes them
// into the encoder, which adds the sound and writes the MP4 as on X11. Qt-free.
#include "encoder/record_command.h"
#include "encoder/runner.h"

#include <cstdint>
#include <functional>
#include <string>

struct PipeWireStream {
    std::intptr_t remoteFd = -1; // the portal's PipeWire remote
    unsigned node = 0;
    int width = 0;
    int height = 0;
};

// The capturing child: the remote is its descriptor 3, raw I420 frames of an
// even size at `fps` leave on its descriptor 4. A static screen sends no
// frames, so the last one is repeated every second.
std::string BuildPipeWireCaptureCommand(const std::string& gstLaunch, const PipeWireStream& stream, int fps);

enum PipeWireRunStatus : int {
    PipeWireRecorded = 0,
    PipeWireNoFrames = 1,      // not one frame came (a static screen): no file is left
    PipeWireEncoderFailed = 2, // the encoder ended by itself before any frame (e.g. a sound device)
    PipeWireNotStarted = 87,   // a child could not be started
};

// Runs the capture into the encoder until a stop is requested or the capture
// ends. A stop writes "q" to the encoder and interrupts the capture (which
// ends its stream), so the MP4 is finished either way; neither child outlives
// the call. `outputPath` is removed when the encoder never got a frame. `firstFrame`
// is called once the encoder reports its first frame; `frames` gets its last
// frame count.
int RunPipeWireRecord(const std::string& captureCommand, const std::string& recordCommandLine,
                      const std::string& outputPath, std::intptr_t remoteFd, const RunStop& stop,
                      long* frames = nullptr, const std::function<void()>& firstFrame = {});

// Frame count of the last "frame=" progress report in `text`, or -1.
long LastReportedFrame(const std::string& text);
