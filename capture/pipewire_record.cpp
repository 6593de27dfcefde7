#include "capture/pipewire_record.h"

#include "platform/child_output.h"
#include "platform/child_process.h"
#include "platform/clock.h"
#include "util/debug_log.h"

#include <vector>

namespace capture {

using util::DebugLog;

namespace {

constexpr int kFrameWaitMs = 50;
// A capture that ignores its interrupt this long is ended by force.
constexpr std::uint64_t kCaptureGraceMs = 3000;
constexpr std::size_t kTailMax = 2048;

class PipeWireFrameSource final : public FrameSource {
public:
    PipeWireFrameSource(const PipeWireStream& stream)
        : width_(stream.width), height_(stream.height),
          frame_(static_cast<std::size_t>(stream.width) * static_cast<std::size_t>(stream.height) * 4)
    {
    }

    ~PipeWireFrameSource() override
    {
        // Its end of stream is awaited while its last frames are read away.
        capture_.interrupt();
        const std::uint64_t since = platform::tickCount();
        while (!capture_.waitForExit(0) && platform::tickCount() - since < kCaptureGraceMs) {
            if (platform::readDescriptor(frames_, frame_.data(), frame_.size(), 5) < 0)
                capture_.waitForExit(5);
            console_.drain(capture_);
        }
        capture_.kill();
        capture_.waitForExit(1000);
        console_.drain(capture_);
        if (!console_.kept().empty())
            DebugLog("screen cast capture said: " + console_.kept());
        platform::closeDescriptor(frames_);
    }

    bool start(const std::string& command, std::intptr_t remoteFd)
    {
        std::intptr_t writeEnd = -1;
        if (!platform::makeDataPipe(frames_, writeEnd))
            return false;
        capture_.passDescriptor(remoteFd, 3);
        capture_.passDescriptor(writeEnd, 4);
        const bool started = capture_.start(command);
        platform::closeDescriptor(writeEnd);
        return started;
    }

    FrameWait next(std::int64_t, CapturedFrame& frame) override
    {
        console_.drain(capture_);
        const long got =
            platform::readDescriptor(frames_, frame_.data() + filled_, frame_.size() - filled_, kFrameWaitMs);
        if (got < 0)
            return FrameWait::Ended;
        if (got == 0)
            return FrameWait::Nothing;
        // A frame is timed by its first bytes: the rest follow as fast as the pipe takes them.
        if (filled_ == 0)
            arrived_ = platform::wallClockMicros();
        filled_ += static_cast<std::size_t>(got);
        if (filled_ < frame_.size())
            return FrameWait::Nothing;
        filled_ = 0;
        frame.pixels = {frame_.data(), width_ * 4, width_, height_};
        frame.capturedMicros = arrived_;
        return FrameWait::Frame;
    }

private:
    const int width_;
    const int height_;
    std::vector<std::uint8_t> frame_;
    std::size_t filled_ = 0;
    std::int64_t arrived_ = 0;
    std::intptr_t frames_ = -1;
    platform::ChildProcess capture_;
    platform::ChildOutputReader console_{kTailMax};
};

// The stream read in this process: its frames are handed on as they come,
// with no copy of ours.
class InProcessFrameSource final : public FrameSource {
public:
    explicit InProcessFrameSource(std::unique_ptr<platform::ScreenCastStream> stream) : stream_(std::move(stream)) { }

    FrameWait next(std::int64_t, CapturedFrame& frame) override
    {
        switch (stream_->next(kFrameWaitMs, frame.pixels, frame.capturedMicros)) {
        case platform::CastFrame::Frame:
            return FrameWait::Frame;
        case platform::CastFrame::Unchanged:
            return FrameWait::Unchanged;
        case platform::CastFrame::Nothing:
            return FrameWait::Nothing;
        default:
            return FrameWait::Ended;
        }
    }

private:
    std::unique_ptr<platform::ScreenCastStream> stream_;
};

// A cast agrees on its format within moments; a busy machine gets a margin.
constexpr int kNegotiationMs = 5000;

} // namespace

bool CastReadableInProcess() { return platform::screenCastStreamsBuiltIn(); }

std::unique_ptr<FrameSource> OpenScreenCastFrameSource(const PipeWireStream& stream, const std::string& gstLaunch,
                                                       CastReader* reader)
{
    std::string why;
    std::unique_ptr<platform::ScreenCastStream> read =
        stream.inProcess ? stream.inProcess(stream, why)
                  : platform::openScreenCastStream(stream.remoteFd, stream.node, stream.width, stream.height,
                                                   kNegotiationMs, why);
    if (read) {
        DebugLog("screen cast: read in this process (node " + std::to_string(stream.node) + ")");
        if (reader)
            *reader = CastReader::InProcess;
        return std::make_unique<InProcessFrameSource>(std::move(read));
    }
    // The child may use the remote the try used: the server starts a
    // connection anew at its client's hello.
    const std::string command = BuildPipeWireCaptureCommand(gstLaunch, stream);
    DebugLog("screen cast: not read in this process (" + why + "), falling back to " + command);
    if (const std::string missing = MissingCaptureParts(); !missing.empty())
        DebugLog("screen cast: the fallback lacks " + missing);
    if (reader)
        *reader = CastReader::Child;
    return StartPipeWireFrameSource(command, stream);
}

std::string BuildPipeWireCaptureCommand(const std::string& gstLaunch, const PipeWireStream& s)
{
    // Conversion and scaling pass the frames through untouched when the
    // stream already is BGRx of the announced size, as casts of a screen are.
    return gstLaunch + " -q -e pipewiresrc fd=3 path=" + std::to_string(s.node)
        + " do-timestamp=true keepalive-time=1000 always-copy=true ! videoscale ! videoconvert"
          " ! video/x-raw,format=BGRx,width="
        + std::to_string(s.width) + ",height=" + std::to_string(s.height) + " ! fdsink fd=4";
}

std::unique_ptr<FrameSource> StartPipeWireFrameSource(const std::string& captureCommand, const PipeWireStream& stream)
{
    if (stream.width <= 0 || stream.height <= 0)
        return nullptr;
    auto source = std::make_unique<PipeWireFrameSource>(stream);
    if (!source->start(captureCommand, stream.remoteFd))
        return nullptr;
    return source;
}

std::string MissingCaptureParts()
{
    int exitCode = -1;
    platform::runForOutput("gst-launch-1.0 --version", &exitCode);
    if (exitCode != 0)
        return "gst-launch-1.0";
    std::string missing;
    for (const char* element : {"pipewiresrc", "videoscale", "videoconvert", "fdsink"}) {
        // Without a version of its own, --exists asks for the core's, which
        // a plugin of another project (PipeWire's) never has.
        platform::runForOutput(std::string("gst-inspect-1.0 --exists --atleast-version=0.0.0 ") + element, &exitCode);
        if (exitCode != 0)
            missing += (missing.empty() ? "" : ", ") + std::string(element);
    }
    return missing;
}

} // namespace capture
