// A test scene for the picture of screen recordings: a full-screen window
// showing a page of text scrolling up by one row per tick, 90 ticks a second
// (90 px/s), optionally with a moving video over part of it. Each tick's
// picture is drawn in one request, so that no grab sees half of it, and the
// tick is drawn as a code in a strip across the top, so that text_score.py
// rebuilds exactly what the screen showed in every recorded frame.
//   text_scene SECONDS PAGE.bgr0 PAGE_W PAGE_H [VIDEO.bgr0 VIDEO_W VIDEO_H VIDEO_FRAMES]
// PAGE and VIDEO are raw bgr0 pictures (VIDEO: its frames one after another).
// What tick n shows on a W x H screen (text_score.py computes the same):
//   rows 0-15: black, with 32 blocks of 16x16 from the left, block b white
//     when bit b of n (b < 16) or of ~n (b >= 16) is set;
//   rows 16 and below: page row (y + row), columns 0 to W-1, y = n mod (PAGE_H - H + 1);
//   the video's frame (n / 3) mod VIDEO_FRAMES (30 a second) at
//     x = W - VIDEO_W - 240 + tri(n, 200), y = (H - VIDEO_H - 120) / 2 + tri(n / 2, 120),
//     tri(n, a) = n mod 2a, or 2a less it when that is above a.
// The pointer is hidden over the window, so that no recorder draws it.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <fcntl.h>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "scene_clock.h"

namespace {

constexpr int kTickHz = 90;
constexpr int kStrip = 16;
constexpr int kBits = 16;

long tri(long n, long a)
{
    const long p = n % (2 * a);
    return p <= a ? p : 2 * a - p;
}

const unsigned char* mapFile(const char* path, std::size_t size)
{
    const int fd = open(path, O_RDONLY);
    struct stat st { };
    if (fd < 0 || fstat(fd, &st) != 0 || static_cast<std::size_t>(st.st_size) < size) {
        std::fprintf(stderr, "text_scene: %s is missing or too small\n", path);
        std::exit(1);
    }
    void* p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (p == MAP_FAILED) {
        std::perror("text_scene: mmap");
        std::exit(1);
    }
    return static_cast<const unsigned char*>(p);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5 && argc != 9) {
        std::fprintf(stderr, "usage: text_scene SECONDS PAGE.bgr0 PAGE_W PAGE_H [VIDEO.bgr0 VIDEO_W VIDEO_H FRAMES]\n");
        return 2;
    }
    const double seconds = std::atof(argv[1]);
    const int pageW = std::atoi(argv[3]), pageH = std::atoi(argv[4]);
    const bool video = argc == 9;
    const int videoW = video ? std::atoi(argv[6]) : 0, videoH = video ? std::atoi(argv[7]) : 0;
    const int videoFrames = video ? std::atoi(argv[8]) : 1;

    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "text_scene: no display\n");
        return 1;
    }
    const int screen = DefaultScreen(dpy);
    const int w = DisplayWidth(dpy, screen);
    const int h = DisplayHeight(dpy, screen);
    if (w > pageW || h > pageH || seconds * kTickHz >= (1 << kBits) || w < 2 * kBits * kStrip
        || (video && ((h - videoH - 120) / 2 < kStrip || w - videoW - 240 < 0))) {
        std::fprintf(stderr, "text_scene: a %dx%d screen does not fit the page, the video or the code\n", w, h);
        return 1;
    }
    if (!XShmQueryExtension(dpy) || DefaultDepth(dpy, screen) != 24) {
        std::fprintf(stderr, "text_scene: needs MIT-SHM and a 24-bit screen\n");
        return 1;
    }
    const unsigned char* page = mapFile(argv[2], static_cast<std::size_t>(pageW) * pageH * 4);
    const unsigned char* clip =
        video ? mapFile(argv[5], static_cast<std::size_t>(videoW) * videoH * 4 * videoFrames) : nullptr;

    XSetWindowAttributes wa{};
    wa.override_redirect = True;
    wa.background_pixel = BlackPixel(dpy, screen);
    // An empty cursor: recorders that draw the pointer draw nothing.
    const Pixmap none = XCreatePixmap(dpy, RootWindow(dpy, screen), 1, 1, 1);
    XColor black{};
    wa.cursor = XCreatePixmapCursor(dpy, none, none, &black, &black, 0, 0);
    const Window win = XCreateWindow(dpy, RootWindow(dpy, screen), 0, 0, w, h, 0, CopyFromParent, InputOutput,
                                     CopyFromParent, CWOverrideRedirect | CWBackPixel | CWCursor, &wa);
    XMapRaised(dpy, win);
    const GC gc = XCreateGC(dpy, win, 0, nullptr);

    XShmSegmentInfo shm{};
    XImage* image = XShmCreateImage(dpy, DefaultVisual(dpy, screen), 24, ZPixmap, nullptr, &shm, w, h);
    if (!image || image->bits_per_pixel != 32 || image->byte_order != LSBFirst) {
        std::fprintf(stderr, "text_scene: needs 32-bit little-endian pixels\n");
        return 1;
    }
    shm.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(image->bytes_per_line) * h, IPC_CREAT | 0600);
    shm.shmaddr = image->data = static_cast<char*>(shmat(shm.shmid, nullptr, 0));
    shm.readOnly = False;
    if (shm.shmid < 0 || shm.shmaddr == reinterpret_cast<char*>(-1) || !XShmAttach(dpy, &shm)) {
        std::fprintf(stderr, "text_scene: no shared memory\n");
        return 1;
    }
    XSync(dpy, False);
    shmctl(shm.shmid, IPC_RMID, nullptr);

    const auto draw = [&](long n) {
        auto* out = reinterpret_cast<unsigned char*>(image->data);
        const std::size_t line = static_cast<std::size_t>(image->bytes_per_line);
        const std::size_t row = static_cast<std::size_t>(w) * 4;
        std::memset(out, 0, line * kStrip);
        for (int b = 0; b < 2 * kBits; ++b)
            if (b < kBits ? (n >> b) & 1 : !((n >> (b - kBits)) & 1))
                for (int r = 0; r < kStrip; ++r)
                    std::memset(out + r * line + static_cast<std::size_t>(b) * kStrip * 4, 0xff, kStrip * 4);
        const long y = n % (pageH - h + 1);
        for (int r = kStrip; r < h; ++r)
            std::memcpy(out + r * line, page + static_cast<std::size_t>(y + r) * pageW * 4, row);
        if (video) {
            const long frame = (n / 3) % videoFrames;
            const long x0 = w - videoW - 240 + tri(n, 200);
            const long y0 = (h - videoH - 120) / 2 + tri(n / 2, 120);
            for (int r = 0; r < videoH; ++r)
                std::memcpy(out + (y0 + r) * line + x0 * 4,
                            clip + (static_cast<std::size_t>(frame) * videoH + r) * videoW * 4,
                            static_cast<std::size_t>(videoW) * 4);
        }
        XShmPutImage(dpy, win, gc, image, 0, 0, 0, 0, w, h, False);
        XSync(dpy, False); // the server has copied the picture: it may be drawn over
    };

    const double epoch = now() + 0.05;
    draw(0);
    long tick = 0;
    long late = 0;
    while (true) {
        // Ticks missed while the X server was busy (it serves the grabs too)
        // are skipped, not drawn late one after another.
        tick = std::max(tick + 1, static_cast<long>(std::floor((now() - epoch) * kTickHz)));
        const double at = epoch + static_cast<double>(tick) / kTickHz;
        if (at >= epoch + seconds)
            break;
        sleepUntil(at);
        draw(tick);
        late += now() - at > 1.0 / kTickHz;
    }
    if (late > 0)
        std::fprintf(stderr, "text_scene: %ld ticks drawn more than a tick late\n", late);
    XShmDetach(dpy, &shm);
    XCloseDisplay(dpy);
    shmdt(shm.shmaddr);
    return 0;
}
