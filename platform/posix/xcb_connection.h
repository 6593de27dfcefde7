#pragma once
// What the X back end's files share: replies freed as xcb wants, and one
// connection to a display with the screen it names. Qt-free.
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace platform {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

// Connects to `display` and gives the screen it names, or null. The
// connection is the caller's to end, a failed one too, as xcb asks.
inline const xcb_screen_t* connectToScreen(const std::string& display, xcb_connection_t*& connection)
{
    int screenNumber = 0;
    connection = xcb_connect(display.c_str(), &screenNumber);
    if (xcb_connection_has_error(connection))
        return nullptr;
    auto it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    return it.rem ? it.data : nullptr;
}

class XcbConnection {
public:
    explicit XcbConnection(const std::string& display) : screen_(connectToScreen(display, connection_)) { }
    ~XcbConnection() { xcb_disconnect(connection_); } // also a failed one, as xcb asks
    XcbConnection(const XcbConnection&) = delete;
    XcbConnection& operator=(const XcbConnection&) = delete;

    xcb_connection_t* get() const { return connection_; }
    // The display's screen; null when the display could not be opened.
    const xcb_screen_t* screen() const { return screen_; }
    xcb_window_t root() const { return screen_ ? screen_->root : 0; }
    bool ok() const { return screen_ != nullptr; }

private:
    xcb_connection_t* connection_ = nullptr; // before screen_: set while it is made
    const xcb_screen_t* screen_ = nullptr;
};

} // namespace platform
