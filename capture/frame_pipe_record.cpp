#include "capture/frame_pipe_record.h"

#include "capture/sound_pump.h"
#include "encoder/run_loop.h"
#include "platform/child_output.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "util/debug_log.h"

#include <cstdlib>
#include <memory>

namespace capture {

using util::DebugLog;
using encoder::RunStop;
using encoder::RunLoop;

namespace {

// Enough of the encoder's output to hold its last progress report.
constexpr std::size_t kTailMax = 2048;
// Writing out the frames that wait takes a moment; an encoder that takes
// none of them this long is asked to quit all the same.
constexpr std::uint64_t kFlushGraceMs = 3000;
// The encoder speaks twice a second while it records, and a stop wakes the
// run at once: between them the run looks at the pump this seldom.
constexpr int kIdlePassMs = 100;

// "12.3 ms": how long after the recording's origin it is now, for the
// debug log's account of where a start's time goes.
std::string sinceOrigin(const FramePipeFormat& format)
{
    const std::int64_t micros = platform::wallClockMicros() - format.originMicros;
    return std::to_string(micros / 1000) + "." + std::to_string(std::abs(micros / 100) % 10) + " ms";
}

} // namespace

long LastReportedFrame(const std::string& text)
{
    const std::size_t at = text.rfind("frame=");
    if (at == std::string::npos)
        return -1;
    return std::strtol(text.c_str() + at + 6, nullptr, 10);
}

FramePipeStatus RunFramePipeRecord(FrameSource& source, const FramePipeFormat& format,
                                   const std::string& recordCommandLine, const std::vector<std::string>& outputPaths,
                                   const RunStop& stop, const FramePipeHooks& hooks)
{
    if (hooks.frames)
        *hooks.frames = -1;
    PipedEncoder own;
    PipedEncoder& piped = hooks.ready ? *hooks.ready : own;
    const bool havePipes = hooks.ready ? piped.running() : piped.makePipes(hooks.sounds.size());
    platform::ChildProcess& encoder = piped.process();
    const std::intptr_t writeEnd = piped.takePictures();
    const std::vector<std::intptr_t> soundWrites = piped.takeSounds();
    const bool pipesReady = havePipes && soundWrites.size() == hooks.sounds.size();
    bool started = false;
    std::vector<std::unique_ptr<SoundPump>> sounds;
    for (std::size_t i = 0; i < soundWrites.size(); ++i)
        sounds.push_back(std::make_unique<SoundPump>(*hooks.sounds[i], format.originMicros, soundWrites[i]));
    const auto soundsFinished = [&sounds] {
        for (const auto& s : sounds)
            if (!s->finished())
                return false;
        return true;
    };
    platform::ChildOutputReader output(kTailMax);
    const std::string& tail = output.kept();
    bool asked = false; // a stop, or the source's end, came before the encoder's
    {
        FramePump pump(source, format.width, format.height, format.fps, format.originMicros, writeEnd,
                       format.sound ? kLongestStandSeconds : kLongestSilentStandSeconds);
        pump.setEnd(hooks.endMicros);
        // The first look is at the press, even when the encoder must still
        // be started: the pipe holds what it is sent meanwhile.
        if (pipesReady)
            pump.start();
        started = pipesReady && (hooks.ready || piped.startReading(recordCommandLine, hooks.afterOwnerDeath));
        if (started) {
            DebugLog(std::string(hooks.ready ? "start: the ready encoder is taken " : "start: the encoder runs ")
                     + sinceOrigin(format) + " after the origin");
            for (const auto& s : sounds)
                s->start();
        }
        bool framed = false, capturesEnded = false;
        int soundTail = -1; // asked once, at the stop
        std::uint64_t stoppedAt = 0;
        RunLoop loop(encoder, stop, kIdlePassMs);
        const auto pass = [&](bool done) {
            if (!framed && LastReportedFrame(tail) > 0) {
                framed = true;
                DebugLog("start: the encoder's first frame report " + sinceOrigin(format) + " after the origin");
                if (hooks.firstFrame)
                    hooks.firstFrame();
            }
            const bool stopping = stop.stop.stop_requested();
            if (stopping && !capturesEnded) {
                pump.endCaptures(hooks.endMicros ? hooks.endMicros() : 0);
                for (const auto& s : sounds)
                    s->end(pump.endMicros());
                capturesEnded = true;
                if (hooks.capturesEnded)
                    hooks.capturesEnded();
            }
            if (!done && (stopping || pump.sourceEnded())) {
                asked = true;
                if (stoppedAt == 0)
                    stoppedAt = platform::tickCount();
                // Repeated every pass, as for any recording, once the frames
                // are written out; an encoder still waiting for its first
                // frame gets the end of the pipe instead.
                const std::uint64_t since = platform::tickCount() - stoppedAt;
                if (soundTail < 0)
                    soundTail = hooks.soundTailMs ? hooks.soundTailMs() : 0;
                // With sound of ours, the pipes' end ends the encoder once
                // it has encoded all they held; "q" would drop what it
                // still queues.
                const bool written = pump.finished() && soundsFinished();
                const std::uint64_t wait = sounds.empty() ? static_cast<std::uint64_t>(soundTail) : kFlushGraceMs;
                if ((written && since >= wait) || since > kFlushGraceMs + (sounds.empty() ? 0 : kFlushGraceMs))
                    loop.askToQuit();
                loop.escalate();
            }
        };
        if (started)
            loop.drive(
                RunLoop::Until::ExitedAndRead, [&] { return output.drain(encoder, hooks.output).ended; }, pass);
        // The encoder is gone, so a write the pump still waits on fails.
        pump.join();
        for (const auto& s : sounds)
            s->join();
        if (!capturesEnded && hooks.capturesEnded)
            hooks.capturesEnded();
        if (hooks.counts)
            *hooks.counts = pump.counts();
    }
    const long frameCount = LastReportedFrame(tail);
    if (hooks.frames)
        *hooks.frames = frameCount;
    if (!started) {
        DebugLog("the encoder did not start: " + recordCommandLine);
        return FramePipeNotStarted;
    }
    if (frameCount <= 0) {
        for (const std::string& path : outputPaths)
            platform::removeFile(path);
        if (!asked) {
            DebugLog("the encoder ended before the first frame: " + tail);
            return FramePipeEncoderFailed;
        }
        return FramePipeNoFrames;
    }
    return FramePipeRecorded;
}

} // namespace capture
