#include "encoder/pipewire_record.h"

#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "util/debug_log.h"

#include <array>
#include <cstdlib>

namespace {

constexpr int kPassWaitMs = 5;
constexpr std::size_t kReadMax = 4096;
// A capture that ignores its interrupt this long is ended by force; once the
// encoder has finished, nothing waits for the capture's end of stream.
constexpr std::uint64_t kCaptureGraceMs = 3000;
constexpr std::uint64_t kCaptureGraceAfterEncoderMs = 300;
// Enough of the encoder's output to hold its last progress report.
constexpr std::size_t kTailMax = 2048;

// Reads what is waiting; false once the child's output is closed and empty.
bool drain(platform::ChildProcess& child, std::string* tail)
{
    std::array<char, kReadMax> buffer{};
    for (;;) {
        const long waiting = child.peekOutput();
        if (waiting < 0)
            return false;
        if (waiting == 0)
            return true;
        const long got = child.readOutput(buffer.data(), buffer.size());
        if (got <= 0)
            return false;
        if (tail) {
            tail->append(buffer.data(), static_cast<std::size_t>(got));
            if (tail->size() > kTailMax)
                tail->erase(0, tail->size() - kTailMax);
        }
    }
}

// Interrupts, and after the grace time kills, a capture; true once it ended.
bool endCapture(platform::ChildProcess& capture, std::uint64_t& interruptedAt, std::uint64_t graceMs)
{
    if (capture.waitForExit(0))
        return true;
    const std::uint64_t now = platform::tickCount();
    if (interruptedAt == 0) {
        capture.interrupt();
        interruptedAt = now;
    } else if (now - interruptedAt > graceMs) {
        capture.kill();
    }
    return false;
}

} // namespace

std::string BuildPipeWireCaptureCommand(const std::string& gstLaunch, const PipeWireStream& s, int fps)
{
    // libx264 needs an even size: an odd edge is scaled by one pixel.
    return gstLaunch + " -q -e pipewiresrc fd=3 path=" + std::to_string(s.node)
        + " do-timestamp=true keepalive-time=1000 always-copy=true ! videorate ! videoscale ! videoconvert"
          " ! video/x-raw,format=I420,width="
        + std::to_string(s.width & ~1) + ",height=" + std::to_string(s.height & ~1)
        + ",framerate=" + std::to_string(fps) + "/1 ! fdsink fd=4";
}

long LastReportedFrame(const std::string& text)
{
    const std::size_t at = text.rfind("frame=");
    if (at == std::string::npos)
        return -1;
    return std::strtol(text.c_str() + at + 6, nullptr, 10);
}

int RunPipeWireRecord(const std::string& captureCommand, const std::string& recordCommandLine,
                      const std::string& outputPath, std::intptr_t remoteFd, const RunStop& stop, long* frames,
                      const std::function<void()>& firstFrame)
{
    if (frames)
        *frames = -1;
    std::intptr_t readEnd = -1, writeEnd = -1;
    if (!platform::makeDataPipe(readEnd, writeEnd))
        return PipeWireNotStarted;
    platform::ChildProcess encoder, capture;
    encoder.passDescriptor(readEnd, 3);
    bool started = encoder.start(recordCommandLine);
    capture.passDescriptor(remoteFd, 3);
    capture.passDescriptor(writeEnd, 4);
    started = started && capture.start(captureCommand);
    // Only the children hold the pipe now: either one ending ends the other.
    platform::closeDescriptor(readEnd);
    platform::closeDescriptor(writeEnd);

    std::string tail, captureTail;
    std::uint64_t interruptedAt = 0;
    bool encoderOpen = true, captureOpen = true;
    bool asked = false; // a stop, or the capture's end, came before the encoder's
    bool framed = false;
    for (;;) {
        const bool encoderDone = encoder.waitForExit(kPassWaitMs);
        encoderOpen = encoderOpen && drain(encoder, &tail);
        captureOpen = captureOpen && drain(capture, &captureTail);
        if (encoderDone && !encoderOpen)
            break;
        if (!framed && LastReportedFrame(tail) > 0) {
            framed = true;
            if (firstFrame)
                firstFrame();
        }
        if (!encoderDone && capture.waitForExit(0))
            asked = true;
        if (!started || stop.stop.stop_requested()) {
            asked = true;
            // Repeated every pass, as for an X11 recording; an encoder still
            // waiting for its first frame gets the end of the stream instead.
            encoder.writeInput("q\r\n", 3);
            endCapture(capture, interruptedAt, kCaptureGraceMs);
        }
    }
    while (!endCapture(capture, interruptedAt, kCaptureGraceAfterEncoderMs))
        capture.waitForExit(kPassWaitMs);
    drain(capture, &captureTail);

    const long frameCount = LastReportedFrame(tail);
    if (frames)
        *frames = frameCount;
    if (!started) {
        DebugLog("capture did not start: " + captureCommand);
        platform::removeFile(outputPath);
        return PipeWireNotStarted;
    }
    if (frameCount <= 0) {
        platform::removeFile(outputPath);
        if (!asked) {
            DebugLog("the encoder ended before the first frame: " + tail);
            return PipeWireEncoderFailed;
        }
        DebugLog("the screen cast sent no frame; capture said: " + captureTail);
        return PipeWireNoFrames;
    }
    return PipeWireRecorded;
}
