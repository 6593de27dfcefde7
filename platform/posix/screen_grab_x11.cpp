#include "platform/screen_grab.h"

#include "platform/posix/xcb_connection.h"

#include <xcb/damage.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>
#include <xcb/xinput.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <utility>
#include <vector>

namespace platform {
namespace {

// A look that finds no event of a change asks the server nothing, but every
// this many looks (about ten times a second) it asks anyway: a warped
// pointer sends no raw motion, nor does a followed window that moved.
constexpr int kLooksPerCheck = 6;

// True when the root window's pixels are 32 bits of which 24 are colour, as
// every desktop of this century has them.
bool rootIs32Bit(const xcb_setup_t* setup, const xcb_screen_t* screen)
{
    if (screen->root_depth != 24 && screen->root_depth != 32)
        return false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
        if (it.data->depth == screen->root_depth)
            return it.data->bits_per_pixel == 32 && setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    }
    return false;
}

// Draws the pointer (premultiplied ARGB, as the server gives it) over the frame.
void drawPointer(const xcb_xfixes_get_cursor_image_reply_t& cursor, const ScreenArea& area, ScreenFrame& frame)
{
    const std::uint32_t* image = xcb_xfixes_get_cursor_image_cursor_image(&cursor);
    const int left = cursor.x - cursor.xhot - area.x;
    const int top = cursor.y - cursor.yhot - area.y;
    const int x0 = std::max(0, -left), y0 = std::max(0, -top);
    const int x1 = std::min<int>(cursor.width, frame.width - left);
    const int y1 = std::min<int>(cursor.height, frame.height - top);
    for (int y = y0; y < y1; ++y) {
        std::uint8_t* row = frame.pixels + static_cast<std::ptrdiff_t>(top + y) * frame.stride;
        for (int x = x0; x < x1; ++x) {
            const std::uint32_t p = image[y * cursor.width + x];
            const unsigned alpha = p >> 24;
            if (alpha == 0)
                continue;
            std::uint8_t* px = row + 4 * (left + x);
            for (int c = 0; c < 3; ++c) {
                const unsigned src = (p >> (8 * c)) & 0xff;
                px[c] = static_cast<std::uint8_t>(src + (px[c] * (255 - alpha) + 127) / 255);
            }
        }
    }
}

class X11Grab final : public ScreenGrab {
public:
    ~X11Grab() override
    {
        if (segment_ != 0)
            xcb_shm_detach(connection_, segment_);
        if (shared_)
            shmdt(shared_);
        if (connection_)
            xcb_disconnect(connection_);
    }

    bool open(const std::string& display, const ScreenArea& area)
    {
        const xcb_screen_t* screen = connectToScreen(display, connection_);
        if (!screen || !rootIs32Bit(xcb_get_setup(connection_), screen))
            return false;
        root_ = screen->root;
        screenWidth_ = screen->width_in_pixels;
        screenHeight_ = screen->height_in_pixels;
        if (area.width <= 0 || area.height <= 0 || area.x < 0 || area.y < 0
            || area.x + area.width > screen->width_in_pixels || area.y + area.height > screen->height_in_pixels)
            return false;
        area_ = area;
        frameBytes_ = static_cast<std::size_t>(area.width) * static_cast<std::size_t>(area.height) * 4;
        pointer_ = xfixesReady();
        watchDamage();
        watchShape();
        watchMotion();
        if (!attachShared())
            copy_.resize(frameBytes_); // a remote display: each frame comes over the socket
        return true;
    }

    void follow(xcb_window_t window)
    {
        if (const auto corner = cornerOf(window)) {
            window_ = window;
            fromCorner_ = {area_.x - corner->first, area_.y - corner->second};
        }
    }

    Grabbed grab(ScreenFrame& frame) override
    {
        const bool check = ++sinceChecked_ >= kLooksPerCheck;
        if (check)
            sinceChecked_ = 0;
        const bool following = window_ != 0 && check;
        const auto cornerCookie =
            following ? xcb_translate_coordinates(connection_, window_, root_, 0, 0) : xcb_translate_coordinates_cookie_t{};
        const bool drawn = damaged();
        // The pointer's image is asked only after the server told of a new
        // shape, its place only after it told of motion: a still screen
        // costs no round trip. The requests leave together.
        const bool newShape = pointer_ && (!shapeWatched_ || shapeChanged_ || !cursor_);
        const bool quiet = copied_ && !drawn && !check && !newShape && motionWatched_ && !motionSeen_;
        const bool askPlace = pointer_ && !quiet;
        const auto imageCookie =
            newShape ? xcb_xfixes_get_cursor_image(connection_) : xcb_xfixes_get_cursor_image_cookie_t{};
        const auto placeCookie = askPlace ? xcb_query_pointer(connection_, root_) : xcb_query_pointer_cookie_t{};
        if (askPlace)
            motionSeen_ = false;
        bool moved = false;
        if (following) {
            if (const auto corner = cornerReply(cornerCookie)) {
                const int x = std::clamp(corner->first + fromCorner_.first, 0, screenWidth_ - area_.width);
                const int y = std::clamp(corner->second + fromCorner_.second, 0, screenHeight_ - area_.height);
                moved = x != area_.x || y != area_.y;
                area_.x = x;
                area_.y = y;
            }
        }
        const auto pointerNow = [&] {
            if (!askPlace)
                return;
            // A shape the server will not show (another client's, gone)
            // leaves the last one drawn.
            if (newShape) {
                if (auto image = Reply<xcb_xfixes_get_cursor_image_reply_t>(
                        xcb_xfixes_get_cursor_image_reply(connection_, imageCookie, nullptr)))
                    cursor_ = std::move(image);
                shapeChanged_ = false;
            }
            Reply<xcb_query_pointer_reply_t> place(xcb_query_pointer_reply(connection_, placeCookie, nullptr));
            if (place && cursor_) {
                cursor_->x = place->root_x;
                cursor_->y = place->root_y;
            }
        };
        if (copied_ && !drawn && !moved) {
            // Only the pointer may have changed: its place and its shape.
            pointerNow();
            if (!pointer_
                || (cursor_ && cursor_->x == pointerX_ && cursor_->y == pointerY_
                    && cursor_->cursor_serial == pointerSerial_)) {
                if (xcb_connection_has_error(connection_))
                    return Grabbed::Gone;
                frame = {shared_ ? static_cast<std::uint8_t*>(shared_) : copy_.data(), area_.width * 4, area_.width,
                         area_.height};
                return Grabbed::Unchanged;
            }
            return withPointer(frame, copyArea());
        }
        // One round trip for the frame and the pointer.
        std::uint8_t* pixels = copyArea();
        pointerNow();
        return withPointer(frame, pixels);
    }

    std::uint64_t bytesSent() const override { return xcb_total_written(connection_); }

private:
    // The area's pixels as the server has them now; null when it could not give them.
    std::uint8_t* copyArea()
    {
        std::uint8_t* pixels = nullptr;
        if (shared_) {
            const auto cookie = xcb_shm_get_image(
                connection_, root_, static_cast<std::int16_t>(area_.x), static_cast<std::int16_t>(area_.y),
                static_cast<std::uint16_t>(area_.width), static_cast<std::uint16_t>(area_.height), ~0u,
                XCB_IMAGE_FORMAT_Z_PIXMAP, segment_, 0);
            Reply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(connection_, cookie, nullptr));
            if (reply)
                pixels = static_cast<std::uint8_t*>(shared_);
        } else {
            const auto cookie =
                xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, static_cast<std::int16_t>(area_.x),
                              static_cast<std::int16_t>(area_.y), static_cast<std::uint16_t>(area_.width),
                              static_cast<std::uint16_t>(area_.height), ~0u);
            Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(connection_, cookie, nullptr));
            if (reply && static_cast<std::size_t>(xcb_get_image_data_length(reply.get())) >= frameBytes_) {
                std::memcpy(copy_.data(), xcb_get_image_data(reply.get()), frameBytes_);
                pixels = copy_.data();
            }
        }
        return pixels;
    }

    // The copied area with the pointer drawn over it.
    Grabbed withPointer(ScreenFrame& frame, std::uint8_t* pixels)
    {
        if (!pixels)
            return Grabbed::Gone;
        frame = {pixels, area_.width * 4, area_.width, area_.height};
        if (pointer_ && cursor_) {
            drawPointer(*cursor_, area_, frame);
            pointerX_ = cursor_->x;
            pointerY_ = cursor_->y;
            pointerSerial_ = cursor_->cursor_serial;
        }
        // Without the damage extension every look is a change.
        copied_ = damage_ != 0;
        return Grabbed::Copied;
    }

    // The server tells of what was drawn on the screen: the bounding box of
    // all drawing since we last cleared it, told again each time it grows.
    // Cleared whenever told of, so that it is told of again.
    void watchDamage()
    {
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(connection_, &xcb_damage_id);
        if (!ext || !ext->present)
            return;
        Reply<xcb_damage_query_version_reply_t> version(
            xcb_damage_query_version_reply(connection_, xcb_damage_query_version(connection_, 1, 1), nullptr));
        if (!version)
            return;
        damageEvent_ = ext->first_event + XCB_DAMAGE_NOTIFY;
        damage_ = xcb_generate_id(connection_);
        xcb_damage_create(connection_, damage_, root_, XCB_DAMAGE_REPORT_LEVEL_BOUNDING_BOX);
    }

    // Whether anything was drawn in the area since the last look. Drawing
    // told of after the clearing is told again, so nothing is missed, at
    // worst seen a frame late.
    bool damaged()
    {
        if (damage_ == 0)
            return true;
        bool told = false, inArea = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            if (shapeWatched_ && (event->response_type & 0x7f) == shapeEvent_)
                shapeChanged_ = true;
            if (motionWatched_ && (event->response_type & 0x7f) == XCB_GE_GENERIC
                && reinterpret_cast<const xcb_ge_generic_event_t*>(event)->extension == inputOpcode_)
                motionSeen_ = true;
            if ((event->response_type & 0x7f) == damageEvent_) {
                const auto* d = reinterpret_cast<const xcb_damage_notify_event_t*>(event);
                told = true;
                inArea = inArea
                    || (d->area.x < area_.x + area_.width && d->area.x + d->area.width > area_.x
                        && d->area.y < area_.y + area_.height && d->area.y + d->area.height > area_.y);
            }
            std::free(event);
        }
        if (told) {
            // Sent now: a look that asks nothing else would hold it back,
            // and the server would not tell of drawing within the box.
            xcb_damage_subtract(connection_, damage_, XCB_NONE, XCB_NONE);
            xcb_flush(connection_);
        }
        return inArea;
    }

    // The window's top left corner on the screen; none once it is gone.
    std::optional<std::pair<int, int>> cornerOf(xcb_window_t window)
    {
        return cornerReply(xcb_translate_coordinates(connection_, window, root_, 0, 0));
    }

    std::optional<std::pair<int, int>> cornerReply(xcb_translate_coordinates_cookie_t cookie)
    {
        Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(connection_, cookie, nullptr));
        if (!origin)
            return std::nullopt;
        return std::pair<int, int>(origin->dst_x, origin->dst_y);
    }

    bool xfixesReady()
    {
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(connection_, &xcb_xfixes_id);
        if (!ext || !ext->present)
            return false;
        // The version must be asked before any other request of the extension.
        Reply<xcb_xfixes_query_version_reply_t> version(
            xcb_xfixes_query_version_reply(connection_, xcb_xfixes_query_version(connection_, 4, 0), nullptr));
        return version && version->major_version >= 1;
    }

    // The server tells of each new pointer shape among the damage's events,
    // which are read every look; without them the shape is asked each time.
    void watchShape()
    {
        if (!pointer_ || damage_ == 0)
            return;
        shapeEvent_ = xcb_get_extension_data(connection_, &xcb_xfixes_id)->first_event + XCB_XFIXES_CURSOR_NOTIFY;
        xcb_xfixes_select_cursor_input(connection_, root_, XCB_XFIXES_CURSOR_NOTIFY_MASK_DISPLAY_CURSOR);
        shapeWatched_ = true;
    }

    // Raw motion of any pointer, told whatever window it is over and whoever
    // grabbed it (XInput 2.1 on); read with the damage's events.
    void watchMotion()
    {
        if (!pointer_ || damage_ == 0)
            return;
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(connection_, &xcb_input_id);
        if (!ext || !ext->present)
            return;
        Reply<xcb_input_xi_query_version_reply_t> version(
            xcb_input_xi_query_version_reply(connection_, xcb_input_xi_query_version(connection_, 2, 2), nullptr));
        if (!version || version->major_version < 2 || (version->major_version == 2 && version->minor_version < 1))
            return;
        struct {
            xcb_input_event_mask_t head;
            std::uint32_t mask;
        } select{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, XCB_INPUT_XI_EVENT_MASK_RAW_MOTION};
        xcb_generic_error_t* error = xcb_request_check(
            connection_, xcb_input_xi_select_events_checked(connection_, root_, 1, &select.head));
        motionWatched_ = error == nullptr;
        std::free(error);
        inputOpcode_ = ext->major_opcode;
    }

    bool attachShared()
    {
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(connection_, &xcb_shm_id);
        if (!ext || !ext->present)
            return false;
        const int id = shmget(IPC_PRIVATE, frameBytes_, IPC_CREAT | 0600);
        if (id < 0)
            return false;
        void* at = shmat(id, nullptr, 0);
        bool attached = false;
        if (at != reinterpret_cast<void*>(-1)) {
            const xcb_shm_seg_t segment = xcb_generate_id(connection_);
            xcb_generic_error_t* error =
                xcb_request_check(connection_, xcb_shm_attach_checked(connection_, segment, id, 0));
            attached = error == nullptr;
            std::free(error);
            if (attached) {
                shared_ = at;
                segment_ = segment;
            } else {
                shmdt(at);
            }
        }
        // Marked for removal at once: it goes when the last of us lets go,
        // even if this program is killed.
        shmctl(id, IPC_RMID, nullptr);
        return attached;
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    ScreenArea area_;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
    xcb_window_t window_ = 0;              // followed, when not 0
    std::pair<int, int> fromCorner_{0, 0}; // the area's corner from the window's
    std::size_t frameBytes_ = 0;
    bool pointer_ = false;
    std::int16_t pointerX_ = 0; // the pointer drawn into the last copy
    std::int16_t pointerY_ = 0;
    std::uint32_t pointerSerial_ = 0;
    Reply<xcb_xfixes_get_cursor_image_reply_t> cursor_; // its last image, at its place now
    bool shapeWatched_ = false;
    bool shapeChanged_ = false;
    std::uint8_t shapeEvent_ = 0;
    bool motionWatched_ = false;
    bool motionSeen_ = false; // since the pointer's place was last asked
    std::uint8_t inputOpcode_ = 0;
    int sinceChecked_ = 0;
    bool copied_ = false; // a copy stands that damage can be told against
    xcb_damage_damage_t damage_ = 0;
    std::uint8_t damageEvent_ = 0;
    void* shared_ = nullptr;
    xcb_shm_seg_t segment_ = 0;
    std::vector<std::uint8_t> copy_;
};

} // namespace

std::unique_ptr<ScreenGrab> openScreenGrab(const std::string& display, const ScreenArea& area,
                                           std::uint64_t followWindow)
{
    auto grab = std::make_unique<X11Grab>();
    if (!grab->open(display, area))
        return nullptr;
    if (followWindow != 0 && followWindow <= 0xffffffffu)
        grab->follow(static_cast<xcb_window_t>(followWindow));
    return grab;
}

} // namespace platform
