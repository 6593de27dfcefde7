// A still scene of known colours for the tests of recording a part of the
// screen: the whole screen in blocks of 16 pixels, block (bx, by) of colour
// BlockColour(bx, by) below, and one more top-level window of solid magenta.
//   blocks_scene SECONDS X Y W H
// The windows bypass any window manager, so they stand exactly where asked.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <unistd.h>

namespace {

unsigned long pixel(int r, int g, int b) { return (r << 16) | (g << 8) | b; }

// As the tests compute it.
unsigned long blockColour(int bx, int by) { return pixel(40 + bx * 47 % 180, 40 + by * 61 % 180, 128); }

Window bareWindow(Display* dpy, int x, int y, int w, int h)
{
    XSetWindowAttributes wa{};
    wa.override_redirect = True;
    const Window win = XCreateWindow(dpy, DefaultRootWindow(dpy), x, y, w, h, 0, CopyFromParent, InputOutput,
                                     CopyFromParent, CWOverrideRedirect, &wa);
    XMapRaised(dpy, win);
    return win;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 6)
        return 2;
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy)
        return 3;
    const int screen = DefaultScreen(dpy);
    const int width = DisplayWidth(dpy, screen), height = DisplayHeight(dpy, screen);
    const Window blocks = bareWindow(dpy, 0, 0, width, height);
    const Window magenta = bareWindow(dpy, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                                      std::atoi(argv[5]));
    XStoreName(dpy, magenta, "blocks_scene window");
    XSelectInput(dpy, blocks, ExposureMask);
    XSelectInput(dpy, magenta, ExposureMask);
    const GC gc = XCreateGC(dpy, blocks, 0, nullptr);
    // Drawn on every exposure: a window's pixels are not kept while covered.
    const auto draw = [&] {
        for (int by = 0; by * 16 < height; ++by)
            for (int bx = 0; bx * 16 < width; ++bx) {
                XSetForeground(dpy, gc, blockColour(bx, by));
                XFillRectangle(dpy, blocks, gc, bx * 16, by * 16, 16, 16);
            }
        XSetForeground(dpy, gc, pixel(255, 0, 255));
        XFillRectangle(dpy, magenta, gc, 0, 0, 10000, 10000);
        XSync(dpy, False);
    };
    for (int waited = 0; waited < std::atoi(argv[1]) * 50; ++waited) {
        bool exposed = waited == 5;
        while (XPending(dpy)) {
            XEvent event;
            XNextEvent(dpy, &event);
            exposed = exposed || event.type == Expose;
        }
        if (exposed)
            draw();
        usleep(20000);
    }
    XCloseDisplay(dpy);
    return 0;
}
