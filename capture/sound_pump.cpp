#include "capture/sound_pump.h"

#include "platform/child_process.h"
#include "platform/clock.h"

#include <algorithm>
#include <vector>

namespace capture {

namespace {

using platform::kSoundChannels;

// A source that sends nothing for this long is filled with silence up to
// that long ago: later pieces of a source that is only slow still fit
// after it.
constexpr std::int64_t kQuietMicros = 300'000;
// At the end, pieces up to the end's instant are waited for this long.
constexpr std::int64_t kEndWaitMicros = 500'000;

} // namespace

SoundPump::SoundPump(const SoundCapture& capture, std::int64_t originMicros, std::intptr_t pipeFd)
    : capture_(capture)
    , placer_(originMicros)
    , pipe_(pipeFd)
{
}

SoundPump::~SoundPump() { join(); }

void SoundPump::start()
{
    thread_ = std::jthread([this] { run(); });
}

void SoundPump::end(std::int64_t endMicros) { end_ = std::max<std::int64_t>(endMicros, 1); }

void SoundPump::join()
{
    if (thread_.joinable()) {
        if (end_ == 0)
            end(platform::wallClockMicros());
        thread_.join();
    }
    if (pipe_ >= 0) {
        platform::closeDescriptor(pipe_);
        pipe_ = -1;
        finished_ = true;
    }
}

void SoundPump::run()
{
    std::uint64_t after = 0;
    std::int64_t lastCame = platform::wallClockMicros();
    std::vector<std::int16_t> out;
    bool open = true;
    while (open) {
        bool gone = false;
        const std::deque<NumberedPiece> pieces = capture_.piecesAfter(after, 50, gone);
        const std::int64_t now = platform::wallClockMicros();
        out.clear();
        for (const NumberedPiece& p : pieces) {
            placer_.place(*p.piece, out);
            after = p.number;
            lastCame = now;
        }
        const std::int64_t end = end_;
        if (gone || now - lastCame > kQuietMicros)
            placer_.fillTo(std::min(now - kQuietMicros, end ? end : now), out);
        std::size_t frames = out.size() / kSoundChannels;
        if (end) {
            const std::int64_t endFrame = placer_.frameAt(end);
            if (placer_.placed() < endFrame && now - end > kEndWaitMicros)
                placer_.fillTo(end, out);
            frames = out.size() / kSoundChannels;
            const std::int64_t room = std::max<std::int64_t>(0, endFrame - written_);
            frames = std::min<std::size_t>(frames, static_cast<std::size_t>(room));
            open = written_ + static_cast<std::int64_t>(frames) < endFrame;
        }
        if (frames > 0 && !platform::writeDescriptor(pipe_, out.data(), frames * kSoundChannels * sizeof(std::int16_t)))
            break; // the encoder is gone
        written_ += static_cast<std::int64_t>(frames);
    }
    platform::closeDescriptor(pipe_);
    pipe_ = -1;
    finished_ = true;
}

} // namespace capture
