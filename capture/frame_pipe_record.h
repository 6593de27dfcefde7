#pragma once
// A recording whose frames this program hands the encoder through a pipe:
// the frame pump feeds it from a frame source, and the encoder adds the
// sound and writes the MP4. Qt-free.
#include "capture/frame_pump.h"
#include "capture/piped_encoder.h"
#include "capture/sound_capture.h"
#include "encoder/runner.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace capture {

enum FramePipeStatus : int {
    FramePipeRecorded = 0,
    FramePipeNoFrames = 1,      // not one frame came (a static screen cast): no file is left
    FramePipeEncoderFailed = 2, // the encoder ended by itself before any frame (e.g. a sound device)
    FramePipeNotStarted = 87,   // the pipe or the encoder could not be made
};

// The frames' shape: an even size, at most the source's, and the rate and
// origin of the written instants (see FramePump).
struct FramePipeFormat {
    int width = 0;
    int height = 0;
    double fps = 0;
    std::int64_t originMicros = 0;
    bool sound = false; // the encoder records sound beside the frames
};

struct FramePipeHooks {
    std::function<void()> firstFrame;                     // the encoder reported its first frame
    std::function<void(const char*, std::size_t)> output; // the encoder's console output as it comes
    FramePumpCounts* counts = nullptr;                    // the pump's counts at the end
    long* frames = nullptr;                               // the encoder's last frame count
    // Called once a stop has ended the captures: the source is free for
    // another run.
    std::function<void()> capturesEnded;
    // Asked at a stop: the wall-clock instant the recording ended, when it
    // ended before the stop reached the run (a pause is pressed); 0 for the
    // stop's own instant.
    std::function<std::int64_t()> endMicros;
    // Asked at a stop: the encoder is asked to quit no sooner than this many
    // milliseconds after the last frame's instant, so that its sound
    // outlasts the pictures (the sound comes in fragments of 50 ms).
    std::function<int()> soundTailMs;
    // Sound inputs this program feeds itself, in the order of the encoder's
    // inputs on descriptors 4, 5, …; each from the recording's first instant
    // to its last, in step with the frames.
    std::vector<const SoundCapture*> sounds;
    // Started by the encoder's guard once the encoder has ended, when this
    // program dies while it runs (see ChildProcess::afterOwnerDeath).
    std::string afterOwnerDeath;
    // An encoder started ahead with the same command line and sound pipes,
    // taken instead of starting one; it is used up by the run.
    PipedEncoder* ready = nullptr;
};

// Runs the encoder (`recordCommandLine` reads the frames from its descriptor
// 3) and the pump until a stop is requested or the source ends. A stop
// writes out the frames that wait, then asks the encoder to quit with "q",
// so the MP4 is finished either way; the encoder does not outlive the call.
// `outputPaths` are removed when the encoder never got a frame.
FramePipeStatus RunFramePipeRecord(FrameSource& source, const FramePipeFormat& format,
                                   const std::string& recordCommandLine, const std::vector<std::string>& outputPaths,
                                   const encoder::RunStop& stop, const FramePipeHooks& hooks = {});

// Frame count of the last "frame=" progress report in `text`, or -1.
long LastReportedFrame(const std::string& text);

} // namespace capture
