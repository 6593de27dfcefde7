// A test scene for the cost of recording a quiet desktop: a full-screen
// window of text with a caret blinking twice a second ("still"), or with a
// line typed every second as well ("typing"), as a person reading or writing
// shows it. Nothing else changes.
//   desk_scene SECONDS still|typing
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

double now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: desk_scene SECONDS still|typing\n");
        return 2;
    }
    const double seconds = std::atof(argv[1]);
    const bool typing = std::strcmp(argv[2], "typing") == 0;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    const int screen = DefaultScreen(display);
    const int width = DisplayWidth(display, screen), height = DisplayHeight(display, screen);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = WhitePixel(display, screen);
    const Window window = XCreateWindow(display, RootWindow(display, screen), 0, 0, width, height, 0, CopyFromParent,
                                        InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(display, window);
    const GC gc = XCreateGC(display, window, 0, nullptr);
    const unsigned long black = BlackPixel(display, screen), white = WhitePixel(display, screen);
    const int lineHeight = 18;
    const auto line = [&](int n) {
        const std::string text = "Line " + std::to_string(n)
            + ": the quick brown fox jumps over the lazy dog, and the recording goes on quietly.";
        XSetForeground(display, gc, black);
        XDrawString(display, window, gc, 20, 30 + n * lineHeight, text.c_str(), static_cast<int>(text.size()));
    };
    XSync(display, False);
    struct timespec settle{0, 200'000'000};
    nanosleep(&settle, nullptr);
    for (int n = 0; n < 20; ++n)
        line(n);
    int lines = 20;
    bool caretOn = false;
    const double start = now();
    for (double t = 0; (t = now() - start) < seconds;) {
        const int tick = static_cast<int>(t * 2); // half seconds
        if (typing && tick / 2 + 20 > lines && 30 + lines * lineHeight < height - lineHeight)
            line(lines++);
        const bool on = tick % 2 == 0;
        if (on != caretOn) {
            caretOn = on;
            XSetForeground(display, gc, on ? black : white);
            XFillRectangle(display, window, gc, 20, 30 + lines * lineHeight - 12, 2, 14);
        }
        XFlush(display);
        struct timespec nap{0, 10'000'000};
        nanosleep(&nap, nullptr);
    }
    XCloseDisplay(display);
    return 0;
}
