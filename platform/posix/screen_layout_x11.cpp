#include "platform/screen_layout.h"

#include "platform/posix/xcb_connection.h"

#include <xcb/randr.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {
namespace {

// One connection per question: these are asked when the user picks, not
// per frame.
using Connection = XcbConnection;

std::optional<ScreenArea> areaOf(const Connection& c, xcb_window_t window)
{
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c.get(), xcb_get_geometry(c.get(), window), nullptr));
    const Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        c.get(), xcb_translate_coordinates(c.get(), window, c.root(), 0, 0), nullptr));
    if (!geometry || !origin)
        return std::nullopt;
    // The border belongs to the window as the user sees it.
    const int border = geometry->border_width;
    return ScreenArea{origin->dst_x - border, origin->dst_y - border, geometry->width + 2 * border,
                      geometry->height + 2 * border};
}

std::string textProperty(const Connection& c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
{
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c.get(), xcb_get_property(c.get(), 0, window, property, type, 0, 256), nullptr));
    if (!reply || reply->format != 8)
        return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

xcb_atom_t atom(const Connection& c, const char* name)
{
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c.get(), xcb_intern_atom(c.get(), 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : XCB_ATOM_NONE;
}

// A window manager puts each program's window into a frame of its own: the
// title is the program's, one level down.
std::string titleOf(const Connection& c, xcb_window_t window)
{
    const xcb_atom_t name = atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");
    const auto own = [&](xcb_window_t w) {
        std::string title = name ? textProperty(c, w, name, utf8) : std::string();
        return title.empty() ? textProperty(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING) : title;
    };
    std::string title = own(window);
    if (!title.empty())
        return title;
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c.get(), xcb_query_tree(c.get(), window), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()) && title.empty(); ++i)
        title = own(children[i]);
    return title;
}

} // namespace

std::vector<ScreenArea> desktopScreens(const std::string& display)
{
    const Connection c(display);
    if (!c.ok())
        return {};
    const Reply<xcb_randr_get_monitors_reply_t> monitors(
        xcb_randr_get_monitors_reply(c.get(), xcb_randr_get_monitors(c.get(), c.root(), 1), nullptr));
    if (!monitors)
        return {};
    std::vector<ScreenArea> screens;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem;
         xcb_randr_monitor_info_next(&it)) {
        const ScreenArea area{it.data->x, it.data->y, it.data->width, it.data->height};
        if (it.data->primary)
            screens.insert(screens.begin(), area);
        else
            screens.push_back(area);
    }
    return screens;
}

std::optional<DesktopWindow> windowAt(const std::string& display, int x, int y,
                                      const std::vector<std::uint64_t>& passOver)
{
    const Connection c(display);
    if (!c.ok())
        return std::nullopt;
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c.get(), xcb_query_tree(c.get(), c.root()), nullptr));
    if (!tree)
        return std::nullopt;
    // The root's children come bottom first.
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = xcb_query_tree_children_length(tree.get()) - 1; i >= 0; --i) {
        const xcb_window_t w = children[i];
        if (std::find(passOver.begin(), passOver.end(), w) != passOver.end())
            continue;
        const Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c.get(), xcb_get_window_attributes(c.get(), w), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE
            || attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
            continue;
        const auto area = areaOf(c, w);
        if (!area || x < area->x || y < area->y || x >= area->x + area->width || y >= area->y + area->height)
            continue;
        return DesktopWindow{w, *area, titleOf(c, w)};
    }
    return std::nullopt;
}

std::optional<ScreenArea> windowArea(const std::string& display, std::uint64_t id)
{
    const Connection c(display);
    if (!c.ok() || id == 0 || id > 0xffffffffu)
        return std::nullopt;
    const Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
        c.get(), xcb_get_window_attributes(c.get(), static_cast<xcb_window_t>(id)), nullptr));
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
        return std::nullopt;
    return areaOf(c, static_cast<xcb_window_t>(id));
}

} // namespace platform
