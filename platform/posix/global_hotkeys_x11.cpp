#include "platform/global_hotkeys.h"

#include "platform/desktop.h"
#include "platform/hotkey_name.h"
#include "platform/posix/xcb_connection.h"

#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <mutex>
#include <optional>
#include <poll.h>

namespace platform {
namespace {

struct Key {
    xcb_keycode_t code = 0;
    std::uint16_t modifiers = 0;
};

// A named key as a key symbol and modifier mask.
std::optional<std::pair<xcb_keysym_t, std::uint16_t>> parse(const std::string& text)
{
    const std::optional<HotkeyName> name = parseHotkeyName(text);
    if (!name)
        return std::nullopt;
    std::uint16_t modifiers = 0;
    for (const auto& [modifier, mask] :
         {std::pair{HotkeyName::Ctrl, XCB_MOD_MASK_CONTROL}, std::pair{HotkeyName::Shift, XCB_MOD_MASK_SHIFT},
          std::pair{HotkeyName::Alt, XCB_MOD_MASK_1}, std::pair{HotkeyName::Meta, XCB_MOD_MASK_4}})
        if (name->modifiers & modifier)
            modifiers |= mask;
    xcb_keysym_t symbol = 0;
    if (name->function)
        symbol = XK_F1 + name->function - 1;
    else if (name->character >= 'A' && name->character <= 'Z')
        symbol = XK_a + (name->character - 'A');
    else
        symbol = XK_0 + (name->character - '0');
    return std::pair{symbol, modifiers};
}

class X11Hotkeys final : public GlobalHotkeys {
public:
    ~X11Hotkeys() override
    {
        std::lock_guard lock(mutex_);
        if (connection_) {
            release();
            xcb_disconnect(connection_);
        }
    }

    bool open(const std::string& display)
    {
        const xcb_screen_t* screen = connectToScreen(display, connection_);
        if (!screen)
            return false;
        const xcb_setup_t* setup = xcb_get_setup(connection_);
        root_ = screen->root;
        minCode_ = setup->min_keycode;
        maxCode_ = setup->max_keycode;
        return true;
    }

    std::vector<bool> hold(const std::vector<std::string>& keys) override
    {
        std::lock_guard lock(mutex_);
        release();
        std::vector<bool> held;
        for (const std::string& text : keys) {
            Key key;
            const auto parsed = parse(text);
            if (parsed)
                key = {codeOf(parsed->first), parsed->second};
            held.push_back(key.code != 0 && grab(key));
            keys_.push_back(held.back() ? key : Key{});
        }
        return held;
    }

    int waitForPress(int ms) override
    {
        pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
        xcb_generic_event_t* event = xcb_poll_for_event(connection_);
        if (!event && ::poll(&fd, 1, ms) > 0)
            event = xcb_poll_for_event(connection_);
        int pressed = -1;
        for (; event; event = pressed < 0 ? xcb_poll_for_event(connection_) : nullptr) {
            if ((event->response_type & 0x7f) == XCB_KEY_PRESS) {
                const auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
                const std::uint16_t mods = press->state & kModifiers;
                std::lock_guard lock(mutex_);
                for (std::size_t i = 0; i < keys_.size(); ++i)
                    if (keys_[i].code != 0 && keys_[i].code == press->detail && keys_[i].modifiers == mods)
                        pressed = static_cast<int>(i);
            }
            std::free(event);
        }
        return pressed;
    }

private:
    static constexpr std::uint16_t kModifiers =
        XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
    // Num Lock (usually Mod2) and Caps Lock must not make a held key dead.
    static constexpr std::uint16_t kLocks[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                               XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

    xcb_keycode_t codeOf(xcb_keysym_t symbol)
    {
        const int count = maxCode_ - minCode_ + 1;
        xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
            connection_, xcb_get_keyboard_mapping(connection_, minCode_, static_cast<std::uint8_t>(count)), nullptr);
        if (!map)
            return 0;
        const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(map);
        xcb_keycode_t found = 0;
        for (int code = 0; code < count && found == 0; ++code)
            for (int level = 0; level < map->keysyms_per_keycode; ++level)
                if (symbols[code * map->keysyms_per_keycode + level] == symbol) {
                    found = static_cast<xcb_keycode_t>(minCode_ + code);
                    break;
                }
        std::free(map);
        return found;
    }

    // A key another program grabbed first gives an access error.
    bool grab(const Key& key)
    {
        bool ok = true;
        for (const std::uint16_t lock : kLocks) {
            const xcb_void_cookie_t cookie = xcb_grab_key_checked(connection_, 1, root_, key.modifiers | lock,
                                                                  key.code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
                ok = false;
                std::free(error);
            }
        }
        if (!ok)
            ungrab(key);
        return ok;
    }

    void ungrab(const Key& key)
    {
        for (const std::uint16_t lock : kLocks)
            xcb_ungrab_key(connection_, key.code, root_, key.modifiers | lock);
        xcb_flush(connection_);
    }

    void release()
    {
        for (const Key& key : keys_)
            if (key.code != 0)
                ungrab(key);
        keys_.clear();
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_keycode_t minCode_ = 0, maxCode_ = 0;
    std::mutex mutex_; // keys_ is changed on one thread and matched on another
    std::vector<Key> keys_;
};

} // namespace

std::unique_ptr<GlobalHotkeys> openGlobalHotkeys(const std::string& display)
{
    // Under Wayland an X key grab sees only the keys typed into X windows.
    if (isWaylandSession(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_SESSION_TYPE")))
        return nullptr;
    auto hotkeys = std::make_unique<X11Hotkeys>();
    if (!hotkeys->open(display))
        return nullptr;
    return hotkeys;
}

} // namespace platform
