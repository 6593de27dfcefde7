#include "capture/sound_capture.h"

#include "platform/clock.h"

#include <cmath>
#include <optional>

namespace capture {

namespace {

// The meters' window, and the sound kept for the pumps: a pump that starts
// (Start, Resume) takes what came since its instant, a little before it.
constexpr std::size_t kWindowFrames = platform::kSoundRate / 20;
constexpr std::int64_t kKeepMicros = 3'000'000;
// A source that is gone is asked for again this often.
constexpr int kReopenMs = 1000;

double decibels(double amplitude) { return amplitude > 0 ? std::max(-120.0, 20 * std::log10(amplitude)) : -120.0; }

} // namespace

SoundCapture::SoundCapture(std::string source, SoundOpener open)
    : source_(std::move(source))
    , open_(std::move(open))
    , chosenMicros_(platform::wallClockMicros())
{
    thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

SoundCapture::~SoundCapture()
{
    thread_.request_stop();
    came_.notify_all();
}

SoundLevel SoundCapture::level() const
{
    const std::lock_guard lock(mutex_);
    SoundLevel level = level_;
    level.present = present_;
    const std::int64_t since = lastHeardMicros_ ? lastHeardMicros_ : chosenMicros_;
    level.silentMicros = std::max<std::int64_t>(0, platform::wallClockMicros() - since);
    if (!present_) {
        level.peakDb = -120;
        level.rmsDb = -120;
    }
    return level;
}

std::deque<NumberedPiece> SoundCapture::piecesAfter(std::uint64_t after, int waitMs, bool& gone) const
{
    std::unique_lock lock(mutex_);
    came_.wait_for(lock, std::chrono::milliseconds(waitMs), [&] { return lastNumber_ > after; });
    gone = !present_;
    std::deque<NumberedPiece> pieces;
    for (const NumberedPiece& p : kept_)
        if (p.number > after)
            pieces.push_back(p);
    return pieces;
}

bool SoundCapture::opened() const
{
    std::unique_lock lock(mutex_);
    came_.wait(lock, [this] { return tried_; });
    return present_;
}

void SoundCapture::setPresent(bool present)
{
    {
        const std::lock_guard lock(mutex_);
        present_ = present;
        tried_ = true;
    }
    came_.notify_all();
}

void SoundCapture::keep(platform::SoundPiece piece)
{
    // The window is this thread's alone: only what it yields is shared.
    const std::int16_t* s = piece.samples.data();
    const std::size_t frames = piece.frames();
    std::optional<SoundLevel> measured;
    std::int64_t heard = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < platform::kSoundChannels; ++c) {
            const double v = s[i * platform::kSoundChannels + c] / 32768.0;
            windowPeak_ = std::max(windowPeak_, std::abs(v));
            windowSquares_ += v * v;
        }
        if (++windowFrames_ == kWindowFrames) {
            measured = SoundLevel{};
            measured->peakDb = decibels(windowPeak_);
            measured->rmsDb = decibels(std::sqrt(windowSquares_ / (kWindowFrames * platform::kSoundChannels)));
            if (measured->peakDb > kSilentDb)
                heard = piece.capturedMicros + static_cast<std::int64_t>(i) * 1'000'000 / platform::kSoundRate;
            windowPeak_ = 0;
            windowSquares_ = 0;
            windowFrames_ = 0;
        }
    }
    auto kept = std::make_shared<const platform::SoundPiece>(std::move(piece));
    {
        const std::lock_guard lock(mutex_);
        if (measured) {
            level_.peakDb = measured->peakDb;
            level_.rmsDb = measured->rmsDb;
        }
        if (heard)
            lastHeardMicros_ = heard;
        const std::int64_t oldest = kept->capturedMicros - kKeepMicros;
        while (!kept_.empty() && kept_.front().piece->capturedMicros < oldest)
            kept_.pop_front();
        kept_.push_back({++lastNumber_, std::move(kept)});
    }
    came_.notify_all();
}

void SoundCapture::run(std::stop_token stop)
{
    std::mutex sleep;
    std::condition_variable_any woken;
    while (!stop.stop_requested()) {
        std::unique_ptr<platform::SoundStream> stream = open_(source_);
        if (stream) {
            setPresent(true);
            platform::SoundPiece piece;
            for (;;) {
                if (stop.stop_requested())
                    return;
                const platform::SoundRead read = stream->read(50, piece);
                if (read == platform::SoundRead::Gone)
                    break;
                if (read == platform::SoundRead::Sound)
                    keep(std::move(piece));
            }
            stream.reset();
        }
        setPresent(false);
        std::unique_lock lock(sleep);
        woken.wait_for(lock, stop, std::chrono::milliseconds(kReopenMs), [] { return false; });
    }
}

} // namespace capture
