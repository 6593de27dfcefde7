// A test scene for recording fidelity: a full-screen window that changes 120
// times a second (moving bars and a frame counter drawn as large blocks) and
// flashes white about once a second while a 1 kHz beep plays on the
// default PulseAudio sink at the same instant.
//   fidelity_scene SECONDS [SOUND_FROM]
// SOUND_FROM: seconds after the start before the sound stream opens (0), so
// that a sink can be idle when a recording starts.
// The beep is placed by sample: each chunk written is stamped with the time
// the sink says it will be heard (now + the stream's latency), so the beep
// starts when the flash does, to within one 2 ms chunk.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <time.h>
#include <vector>
#include "scene_clock.h"

namespace {

constexpr int kRate = 44100;
constexpr int kTickHz = 120;
constexpr int kCounterBits = 12;

// Flashes come every 61 written frames (a second at 60.97 fps) from the
// second one on, and last 100, 150 or 200 ms in turn, so that a beep shifted
// by a whole flash shows as a length that does not match its flash. A period
// of whole frames keeps each flash at the same place between two grabs: with
// whole seconds that place drifts by half a millisecond a second, and the
// first frame to show a flash jumps a frame later whenever it wraps, which
// reads as a 16 ms change of the offset that no recording made.
constexpr double kFlashPeriod = 61 / 60.97;

double flashLength(double since) { return 0.1 + 0.05 * (static_cast<long>(std::floor(since / kFlashPeriod)) % 3); }

bool flashing(double t, double epoch)
{
    const double flashes = (t - epoch) / kFlashPeriod;
    return flashes >= 1.0 && (flashes - std::floor(flashes)) * kFlashPeriod < flashLength(t - epoch);
}

std::atomic<bool> g_done{false};

void playBeeps(double epoch, double end, double soundFrom)
{
    sleepUntil(epoch - 0.2 + soundFrom);
    pa_sample_spec spec{PA_SAMPLE_S16LE, kRate, 1};
    const std::uint32_t chunkBytes = kRate / 500 * 2; // 2 ms
    pa_buffer_attr attr{static_cast<std::uint32_t>(-1), chunkBytes * 5, static_cast<std::uint32_t>(-1), chunkBytes,
                        static_cast<std::uint32_t>(-1)};
    int error = 0;
    pa_simple* s =
        pa_simple_new(nullptr, "fidelity_scene", PA_STREAM_PLAYBACK, nullptr, "beeps", &spec, nullptr, &attr, &error);
    if (!s) {
        std::fprintf(stderr, "fidelity_scene: no sound: %s\n", pa_strerror(error));
        return;
    }
    std::vector<std::int16_t> chunk(chunkBytes / 2);
    while (!g_done.load() && now() < end) {
        const pa_usec_t latency = pa_simple_get_latency(s, &error);
        const double heardAt = now() + static_cast<double>(latency) / 1e6;
        for (std::size_t i = 0; i < chunk.size(); ++i) {
            const double t = heardAt + static_cast<double>(i) / kRate;
            const double since = t - epoch;
            chunk[i] = flashing(t, epoch)
                ? static_cast<std::int16_t>(16000 * std::sin(2 * M_PI * 1000 * (since - std::floor(since))))
                : 0;
        }
        if (pa_simple_write(s, chunk.data(), chunkBytes, &error) < 0)
            break;
    }
    pa_simple_free(s);
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10;
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "fidelity_scene: no display\n");
        return 1;
    }
    const int screen = DefaultScreen(dpy);
    const int w = DisplayWidth(dpy, screen);
    const int h = DisplayHeight(dpy, screen);
    XSetWindowAttributes wa{};
    wa.override_redirect = True;
    wa.background_pixel = BlackPixel(dpy, screen);
    const Window win = XCreateWindow(dpy, RootWindow(dpy, screen), 0, 0, w, h, 0, CopyFromParent, InputOutput,
                                     CopyFromParent, CWOverrideRedirect | CWBackPixel, &wa);
    XMapRaised(dpy, win);
    const GC gc = XCreateGC(dpy, win, 0, nullptr);
    XSync(dpy, False);

    const double epoch = now() + 0.2;
    const double end = epoch + seconds;
    std::thread sound(playBeeps, epoch, end, argc > 2 ? std::atof(argv[2]) : 0.0);

    // Blocks of the counter: a row across the top, each a 16th of the width.
    const int block = w / 16;
    const unsigned long colours[] = {0x3050a0, 0xa03030, 0x30a050, 0x806020, 0x6030a0, 0x208080};
    long tick = 0;
    double next = epoch;
    bool wasFlash = false;
    std::vector<double> onsetLateness; // each flash's first draw, on screen, after its edge
    while (next < end) {
        sleepUntil(next);
        const double t = now();
        const bool flash = flashing(t, epoch);
        if (flash) {
            XSetForeground(dpy, gc, 0xffffff);
            XFillRectangle(dpy, win, gc, 0, block, w, h - block);
        } else {
            // Bars moving by 7 px a tick: a busy picture the encoder must follow.
            const int bar = w / 12;
            for (int i = -1; i < 13; ++i) {
                XSetForeground(dpy, gc, colours[(i + 12) % 6]);
                XFillRectangle(dpy, win, gc, static_cast<int>((i * bar + tick * 7) % (bar * 12)) - bar, block, bar,
                               h - block);
            }
        }
        for (int b = 0; b < kCounterBits; ++b) {
            XSetForeground(dpy, gc, (tick >> b) & 1 ? 0xffffff : 0x000000);
            XFillRectangle(dpy, win, gc, b * block, 0, block, block);
        }
        XSync(dpy, False);
        if (flash && !wasFlash) {
            const double edge = epoch + std::floor((t - epoch) / kFlashPeriod) * kFlashPeriod;
            onsetLateness.push_back(now() - edge);
        }
        wasFlash = flash;
        // Ticks missed while the X server was busy (it serves the grab too) are
        // skipped, not drawn late one after another: lateness would pile up and
        // every later flash would reach the screen late.
        tick = std::max(tick + 1, static_cast<long>(std::floor((now() - epoch) * kTickHz)) + 1);
        // The next tick, or the next flash edge when that comes first.
        next = epoch + static_cast<double>(tick) / kTickHz;
        const double since = t - epoch;
        const double start = std::floor(since / kFlashPeriod) * kFlashPeriod;
        for (double edge : {start + kFlashPeriod, start + flashLength(since)})
            if (edge + epoch > t + 1e-4 && edge + epoch < next && edge >= kFlashPeriod)
                next = edge + epoch;
    }
    g_done = true;
    sound.join();
    // A flash drawn late moves its picture, not its beep: the offset measured
    // then is the scene's, not the recorder's.
    if (!onsetLateness.empty()) {
        const double worst = *std::max_element(onsetLateness.begin(), onsetLateness.end());
        std::fprintf(stderr, "fidelity_scene: flashes on screen up to %.0f ms after their beeps\n", worst * 1000);
    }
    XCloseDisplay(dpy);
    return 0;
}
