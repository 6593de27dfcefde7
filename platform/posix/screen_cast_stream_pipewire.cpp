#include "platform/screen_cast_stream.h"

#include "platform/clock.h"

#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>
#include <spa/utils/result.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

constexpr int kDamageRegions = 16;

void initOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
}

class PipeWireCastStream final : public ScreenCastStream {
public:
    PipeWireCastStream(int width, int height)
        : width_(width), height_(height),
          bytes_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4), front_(bytes_), back_(bytes_),
          spare_(bytes_)
    {
    }

    ~PipeWireCastStream() override
    {
        if (loop_) {
            pw_thread_loop_lock(loop_);
            if (stream_) {
                pw_stream_disconnect(stream_);
                pw_stream_destroy(stream_);
            }
            if (core_)
                pw_core_disconnect(core_);
            pw_thread_loop_unlock(loop_);
            pw_thread_loop_stop(loop_);
        }
        if (context_)
            pw_context_destroy(context_);
        if (loop_)
            pw_thread_loop_destroy(loop_);
    }

    bool open(std::intptr_t remoteFd, unsigned node, int timeoutMs, std::string& why)
    {
        initOnce();
        loop_ = pw_thread_loop_new("vtr-cast", nullptr);
        if (!loop_) {
            why = "no loop";
            return false;
        }
        context_ = pw_context_new(pw_thread_loop_get_loop(loop_), nullptr, 0);
        if (!context_ || pw_thread_loop_start(loop_) < 0) {
            why = "no context";
            return false;
        }
        // The remote takes ownership of what it is given.
        const int fd = fcntl(static_cast<int>(remoteFd), F_DUPFD_CLOEXEC, 3);
        if (fd < 0) {
            why = "the remote's descriptor is not open";
            return false;
        }
        pw_thread_loop_lock(loop_);
        const bool connected = connect(fd, node, why);
        pw_thread_loop_unlock(loop_);
        if (!connected)
            return false;
        std::unique_lock lock(mutex_);
        const bool settled =
            changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return streaming_ || ended_; });
        if (streaming_ && !ended_)
            return true;
        why = !settled ? "no format agreed in " + std::to_string(timeoutMs) + " ms"
                       : (error_.empty() ? "the stream ended" : error_);
        return false;
    }

    CastFrame next(int waitMs, ScreenFrame& frame, std::int64_t& capturedMicros) override
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return ready_ || unchanged_ || ended_; });
        if (ready_) {
            ready_ = false;
            unchanged_ = false;
            front_.swap(back_);
            given_ = true;
            capturedMicros = readyAt_;
        } else if (given_ && !ended_) {
            // The compositor sends a frame only when something changed: a
            // wait without one finds the screen as the last frame showed it.
            capturedMicros = unchanged_ ? unchangedAt_ : wallClockMicros();
            unchanged_ = false;
            frame = {front_.data(), width_ * 4, width_, height_};
            return CastFrame::Unchanged;
        } else {
            unchanged_ = false;
            return ended_ ? CastFrame::Ended : CastFrame::Nothing;
        }
        frame = {front_.data(), width_ * 4, width_, height_};
        return CastFrame::Frame;
    }

private:
    // Under the loop's lock.
    bool connect(int fd, unsigned node, std::string& why)
    {
        core_ = pw_context_connect_fd(context_, fd, nullptr, 0);
        if (!core_) {
            why = std::string("no connection to the remote: ") + std::strerror(errno);
            return false;
        }
        static const pw_core_events coreEvents = [] {
            pw_core_events e{};
            e.version = PW_VERSION_CORE_EVENTS;
            e.error = [](void* self, std::uint32_t id, int, int res, const char* message) {
                if (id == PW_ID_CORE)
                    static_cast<PipeWireCastStream*>(self)->end(std::string("the remote: ") + message + " ("
                                                                + spa_strerror(res) + ")");
            };
            return e;
        }();
        pw_core_add_listener(core_, &coreListener_, &coreEvents, this);

        stream_ = pw_stream_new(core_, "Vantreel screen cast",
                                pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                                  PW_KEY_MEDIA_ROLE, "Screen", nullptr));
        if (!stream_) {
            why = "no stream";
            return false;
        }
        static const pw_stream_events streamEvents = [] {
            pw_stream_events e{};
            e.version = PW_VERSION_STREAM_EVENTS;
            e.state_changed = [](void* self, pw_stream_state, pw_stream_state state, const char* error) {
                static_cast<PipeWireCastStream*>(self)->stateChanged(state, error);
            };
            e.param_changed = [](void* self, std::uint32_t id, const spa_pod* param) {
                static_cast<PipeWireCastStream*>(self)->paramChanged(id, param);
            };
            e.process = [](void* self) { static_cast<PipeWireCastStream*>(self)->process(); };
            return e;
        }();
        pw_stream_add_listener(stream_, &streamListener_, &streamEvents, this);

        // Shared memory in the orders a 32-bit screen comes in; no modifier
        // is offered, so no DMA-BUF is chosen.
        std::uint8_t buffer[1024];
        spa_pod_builder b{};
        spa_pod_builder_init(&b, buffer, sizeof(buffer));
        spa_rectangle size{static_cast<std::uint32_t>(width_), static_cast<std::uint32_t>(height_)};
        spa_rectangle smallest{1, 1}, largest{16384, 16384};
        spa_fraction rate{60, 1}, slowest{0, 1}, fastest{1000, 1};
        const spa_pod* params[1];
        params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
            SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
            SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA,
                                   SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA),
            SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&size, &smallest, &largest),
            SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&rate, &slowest, &fastest)));
        if (pw_stream_connect(stream_, PW_DIRECTION_INPUT, node,
                              static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS),
                              params, 1)
            < 0) {
            why = "the stream did not connect to node " + std::to_string(node);
            return false;
        }
        return true;
    }

    void end(const std::string& error)
    {
        {
            std::lock_guard lock(mutex_);
            ended_ = true;
            if (error_.empty())
                error_ = error;
        }
        changed_.notify_all();
    }

    void stateChanged(pw_stream_state state, const char* error)
    {
        if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED) {
            end(std::string("the stream: ") + (error ? error : pw_stream_state_as_string(state)));
        } else if (state == PW_STREAM_STATE_STREAMING) {
            {
                std::lock_guard lock(mutex_);
                streaming_ = true;
            }
            changed_.notify_all();
        }
    }

    void paramChanged(std::uint32_t id, const spa_pod* param)
    {
        if (id != SPA_PARAM_Format || !param)
            return;
        spa_video_info_raw info{};
        if (spa_format_video_raw_parse(param, &info) < 0) {
            end("an unreadable format");
            return;
        }
        format_ = info.format;
        streamWidth_ = static_cast<int>(info.size.width);
        streamHeight_ = static_cast<int>(info.size.height);

        // Mapped memory only; a damage list tells a frame that changed nothing.
        std::uint8_t buffer[1024];
        spa_pod_builder b{};
        spa_pod_builder_init(&b, buffer, sizeof(buffer));
        const spa_pod* params[3];
        params[0] = static_cast<const spa_pod*>(
            spa_pod_builder_add_object(&b, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_dataType,
                                       SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr))));
        params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type, SPA_POD_Id(SPA_META_Header),
            SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_header))));
        params[2] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type, SPA_POD_Id(SPA_META_VideoDamage),
            SPA_PARAM_META_size,
            SPA_POD_CHOICE_RANGE_Int(sizeof(spa_meta_region) * kDamageRegions, sizeof(spa_meta_region),
                                     sizeof(spa_meta_region) * kDamageRegions)));
        pw_stream_update_params(stream_, params, 3);
    }

    // On the loop's thread: the newest buffer is copied, the others go back at once.
    void process()
    {
        pw_buffer* newest = nullptr;
        while (pw_buffer* b = pw_stream_dequeue_buffer(stream_)) {
            if (newest)
                pw_stream_queue_buffer(stream_, newest);
            newest = b;
        }
        if (!newest)
            return;
        const std::int64_t now = wallClockMicros();
        const Taken taken = take(*newest->buffer);
        pw_stream_queue_buffer(stream_, newest);
        if (taken == Taken::Nothing)
            return;
        {
            std::lock_guard lock(mutex_);
            if (taken == Taken::Copied) {
                spare_.swap(back_);
                ready_ = true;
                readyAt_ = now;
            } else {
                unchanged_ = true;
                unchangedAt_ = now;
            }
        }
        changed_.notify_all();
    }

    enum class Taken { Copied, Unchanged, Nothing };

    Taken take(const spa_buffer& buffer)
    {
        if (buffer.n_datas < 1)
            return Taken::Nothing;
        auto* header =
            static_cast<spa_meta_header*>(spa_buffer_find_meta_data(&buffer, SPA_META_Header, sizeof(spa_meta_header)));
        if (header && (header->flags & SPA_META_HEADER_FLAG_CORRUPTED))
            return Taken::Nothing;
        if (spa_meta* damage = spa_buffer_find_meta(&buffer, SPA_META_VideoDamage)) {
            bool any = false;
            spa_meta_region* region = nullptr;
            spa_meta_for_each(region, damage)
            {
                any = spa_meta_region_is_valid(region);
                break;
            }
            if (!any)
                return Taken::Unchanged;
        }
        const spa_data& data = buffer.datas[0];
        // A buffer of metadata alone (a pointer that moved, where it is sent apart).
        if (!data.data || !data.chunk || data.chunk->size == 0 || (data.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED))
            return Taken::Nothing;
        const std::uint32_t offset = data.maxsize ? data.chunk->offset % data.maxsize : 0;
        const auto* pixels = static_cast<const std::uint8_t*>(data.data) + offset;
        const std::size_t available = std::min<std::size_t>(data.chunk->size, data.maxsize - offset);
        const int stride = data.chunk->stride > 0 ? data.chunk->stride : streamWidth_ * 4;
        const int rows = std::min(height_, std::min<int>(streamHeight_, static_cast<int>(available / stride)));
        const int columns = std::min(width_, streamWidth_);
        if (rows < height_ || columns < width_)
            std::fill(spare_.begin(), spare_.end(), 0);
        const bool swapped = format_ == SPA_VIDEO_FORMAT_RGBx || format_ == SPA_VIDEO_FORMAT_RGBA;
        const std::size_t rowBytes = static_cast<std::size_t>(width_) * 4;
        if (!swapped && columns == width_ && static_cast<std::size_t>(stride) == rowBytes) {
            std::memcpy(spare_.data(), pixels, rowBytes * rows);
        } else {
            for (int y = 0; y < rows; ++y) {
                const std::uint8_t* from = pixels + static_cast<std::size_t>(y) * stride;
                std::uint8_t* to = spare_.data() + rowBytes * y;
                if (!swapped) {
                    std::memcpy(to, from, static_cast<std::size_t>(columns) * 4);
                    continue;
                }
                for (int x = 0; x < columns; ++x) {
                    to[4 * x] = from[4 * x + 2];
                    to[4 * x + 1] = from[4 * x + 1];
                    to[4 * x + 2] = from[4 * x];
                    to[4 * x + 3] = from[4 * x + 3];
                }
            }
        }
        return Taken::Copied;
    }

    const int width_;
    const int height_;
    const std::size_t bytes_;
    pw_thread_loop* loop_ = nullptr;
    pw_context* context_ = nullptr;
    pw_core* core_ = nullptr;
    pw_stream* stream_ = nullptr;
    spa_hook coreListener_{};
    spa_hook streamListener_{};
    // The loop thread's alone.
    std::uint32_t format_ = SPA_VIDEO_FORMAT_BGRx;
    int streamWidth_ = 0;
    int streamHeight_ = 0;
    // The loop writes into spare_ and swaps it with back_; next() swaps
    // back_ with front_, which the caller reads.
    std::vector<std::uint8_t> front_, back_, spare_;

    std::mutex mutex_;
    std::condition_variable changed_;
    bool streaming_ = false;
    bool ended_ = false;
    bool ready_ = false;
    bool unchanged_ = false;
    bool given_ = false;
    std::int64_t readyAt_ = 0;
    std::int64_t unchangedAt_ = 0;
    std::string error_;
};

} // namespace

std::unique_ptr<ScreenCastStream> openScreenCastStream(std::intptr_t remoteFd, unsigned node, int width, int height,
                                                       int timeoutMs, std::string& why)
{
    if (width <= 0 || height <= 0) {
        why = "no size";
        return nullptr;
    }
    auto stream = std::make_unique<PipeWireCastStream>(width, height);
    if (!stream->open(remoteFd, node, timeoutMs, why))
        return nullptr;
    return stream;
}

bool screenCastStreamsBuiltIn() { return true; }

} // namespace platform
