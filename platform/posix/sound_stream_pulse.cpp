#include "platform/sound_stream.h"

#include "platform/clock.h"
#include "platform/sound_gathering.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

namespace platform {

namespace {

// Pieces that wait for a reader that stopped reading (4 s): the oldest go
// first.
constexpr std::size_t kMaxWaiting = 80;
// A server that does not answer within this is taken as absent.
constexpr auto kOpenWait = std::chrono::milliseconds(1500);

class PulseSoundStream final : public SoundStream {
public:
    ~PulseSoundStream() override
    {
        if (!loop_)
            return;
        pa_threaded_mainloop_stop(loop_);
        if (stream_) {
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        if (context_) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        pa_threaded_mainloop_free(loop_);
    }

    bool open()
    {
        loop_ = pa_threaded_mainloop_new();
        if (!loop_)
            return false;
        context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Vantreel Screen Recorder");
        if (!context_)
            return false;
        pa_context_set_state_callback(context_, onContextState, this);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        if (pa_threaded_mainloop_start(loop_) < 0)
            return false;
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, kOpenWait, [this] { return ready_ || gone_; }) || gone_)
            return false;
        return true;
    }

    SoundRead read(int waitMs, SoundPiece& piece) override
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return !pieces_.empty() || gone_; });
        if (!pieces_.empty()) {
            piece = std::move(pieces_.front());
            pieces_.pop_front();
            return SoundRead::Sound;
        }
        return gone_ ? SoundRead::Gone : SoundRead::Nothing;
    }

    std::string source;

private:
    void ended()
    {
        {
            const std::lock_guard lock(mutex_);
            gone_ = true;
        }
        changed_.notify_all();
    }

    static void onContextState(pa_context* context, void* self)
    {
        auto& s = *static_cast<PulseSoundStream*>(self);
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            s.connectStream();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            s.ended();
            break;
        default:
            break;
        }
    }

    void connectStream()
    {
        const pa_sample_spec spec{PA_SAMPLE_S16LE, static_cast<std::uint32_t>(kSoundRate),
                                  static_cast<std::uint8_t>(kSoundChannels)};
        stream_ = pa_stream_new(context_, "Recording", &spec, nullptr);
        if (!stream_)
            return ended();
        pa_stream_set_state_callback(stream_, onStreamState, this);
        pa_stream_set_read_callback(stream_, onRead, this);
        pa_buffer_attr attr;
        std::memset(&attr, 0xff, sizeof attr); // the server's choice for all but the piece size
        attr.fragsize = static_cast<std::uint32_t>(pa_usec_to_bytes(kSoundPieceMs * 1000, &spec));
        // The source's own latency is asked down to the piece: without it a
        // device's source may keep seconds of sound before it sends any.
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING
                                                          | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_DONT_MOVE);
        if (pa_stream_connect_record(stream_, source.c_str(), &attr, flags) < 0)
            ended();
    }

    static void onStreamState(pa_stream* stream, void* self)
    {
        auto& s = *static_cast<PulseSoundStream*>(self);
        switch (pa_stream_get_state(stream)) {
        case PA_STREAM_READY: {
            {
                const std::lock_guard lock(s.mutex_);
                s.ready_ = true;
            }
            s.changed_.notify_all();
            break;
        }
        case PA_STREAM_FAILED:
        case PA_STREAM_TERMINATED:
            s.ended();
            break;
        default:
            break;
        }
    }

    static void onRead(pa_stream* stream, std::size_t, void* self)
    {
        auto& s = *static_cast<PulseSoundStream*>(self);
        const void* data = nullptr;
        std::size_t bytes = 0;
        while (pa_stream_readable_size(stream) > 0) {
            if (pa_stream_peek(stream, &data, &bytes) < 0)
                return s.ended();
            if (bytes == 0)
                break;
            // The latency covers the server's buffer and ours, up to this
            // chunk's first sample: that sample was heard that long ago.
            const std::int64_t now = wallClockMicros();
            pa_usec_t latency = 0;
            int negative = 0;
            std::int64_t at = now;
            if (pa_stream_get_latency(stream, &latency, &negative) >= 0)
                at = negative ? now + static_cast<std::int64_t>(latency) : now - static_cast<std::int64_t>(latency);
            s.gathering_.add(at, static_cast<const std::int16_t*>(data), bytes / sizeof(std::int16_t));
            pa_stream_drop(stream);
        }
    }

    // Hands a gathered piece to the reader.
    void hand(SoundPiece piece)
    {
        {
            const std::lock_guard lock(mutex_);
            if (pieces_.size() >= kMaxWaiting)
                pieces_.pop_front();
            pieces_.push_back(std::move(piece));
        }
        changed_.notify_all();
    }

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<SoundPiece> pieces_;
    // The main loop's alone.
    SoundGathering gathering_{[this](SoundPiece piece) { hand(std::move(piece)); }};
    bool ready_ = false;
    bool gone_ = false;
};

} // namespace

std::unique_ptr<SoundStream> openSoundStream(const std::string& source)
{
    if (source.empty())
        return nullptr;
    auto stream = std::make_unique<PulseSoundStream>();
    stream->source = source;
    if (!stream->open())
        return nullptr;
    return stream;
}

bool soundStreamsAvailable() { return true; }

} // namespace platform
