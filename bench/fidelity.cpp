#include "fidelity.h"

#include "platform/child_output.h"
#include "platform/command_line.h"
#include "platform/files.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

constexpr int kRate = 44100;
constexpr int kCounterBits = 12;
constexpr int kWidth = 64; // the picture is scaled to this many columns

std::string run(const std::string& commandLine) { return platform::runForOutput(commandLine); }

std::vector<unsigned char> readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double median(std::vector<double> v)
{
    if (v.empty())
        return NAN;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

Fidelity MeasureFidelity(const std::string& file, int sceneWidth)
{
    Fidelity r;
    const std::string q = platform::quoteArgument(file);
    int w = 0, h = 0;
    std::sscanf(run("ffprobe -v error -select_streams v -show_entries stream=width,height -of csv=p=0 " + q).c_str(),
                "%d,%d", &w, &h);
    if (w <= 0 || h <= 0)
        return r;
    const double audioStart =
        std::atof(run("ffprobe -v error -select_streams a:0 -show_entries stream=start_time -of csv=p=0 " + q).c_str());
    const int sh = kWidth * h / w / 2 * 2;
    const std::string grey = file + ".grey", pcm = file + ".pcm";
    std::istringstream log(run(
        "ffmpeg -v info -y -copyts -i " + q + " -map 0:v -vf scale=" + std::to_string(kWidth) + ":" + std::to_string(sh)
        + ":flags=area,showinfo -vsync passthrough -f rawvideo -pix_fmt gray " + platform::quoteArgument(grey)));
    run("ffmpeg -v error -y -i " + q + " -map 0:a:0 -ac 1 -ar 44100 -f s16le " + platform::quoteArgument(pcm));
    const std::vector<unsigned char> pixels = readAll(grey);
    const std::vector<unsigned char> pcmBytes = readAll(pcm);
    platform::removeFile(grey);
    platform::removeFile(pcm);

    std::vector<double> times;
    for (std::string line; std::getline(log, line);) {
        const std::size_t at = line.find("pts_time:");
        if (at != std::string::npos && line.find(" n:") != std::string::npos)
            times.push_back(std::atof(line.c_str() + at + 9));
    }
    const std::size_t frameSize = static_cast<std::size_t>(kWidth) * sh;
    const std::size_t frames = std::min(pixels.size() / frameSize, times.size());
    if (frames < 2)
        return r;
    r.ok = true;

    // The counter's blocks are a 16th of the scene's width wide and as high;
    // the flash fills the rest.
    const int block = sceneWidth > 0 ? kWidth * sceneWidth / w / 16 : kWidth / 16;
    const std::size_t below = static_cast<std::size_t>(block + 1) * kWidth;
    std::vector<long> counters(frames);
    std::vector<bool> bright(frames);
    for (std::size_t f = 0; f < frames; ++f) {
        const unsigned char* p = pixels.data() + f * frameSize;
        for (int b = 0; b < kCounterBits; ++b)
            if (p[(block / 2) * kWidth + b * block + block / 2] > 128)
                counters[f] |= 1L << b;
        double sum = 0;
        for (std::size_t i = below; i < frameSize; ++i)
            sum += p[i];
        bright[f] = sum / static_cast<double>(frameSize - below) > 200;
    }
    long distinct = 0;
    for (std::size_t f = 1; f < frames; ++f)
        distinct += counters[f] != counters[f - 1];
    const double span = times[frames - 1] - times[0];
    std::vector<double> gaps;
    for (std::size_t f = 1, last = 0; f < frames; ++f)
        if (counters[f] != counters[f - 1]) {
            gaps.push_back(times[f] - times[last]);
            last = f;
        }
    r.quickShare = gaps.empty()
        ? 0
        : static_cast<double>(std::count_if(gaps.begin(), gaps.end(), [](double g) { return g < 0.025; }))
            / static_cast<double>(gaps.size());
    r.distinctPerSecond = static_cast<double>(distinct) / span;
    r.writtenPerSecond = static_cast<double>(frames - 1) / span;

    // Each new capture's written time less the scene's time of the tick it
    // shows (120 a second, counted from the scene's start): the picture's lag,
    // up to a constant. Its least value in each second should hold steady; a
    // step means frames written later than they were grabbed, which moves
    // every later flash away from its beep.
    {
        std::vector<double> low;
        long unwrapped = counters[0];
        for (std::size_t f = 1; f < frames; ++f) {
            if (counters[f] == counters[f - 1])
                continue;
            unwrapped += (counters[f] - counters[f - 1] + (1L << kCounterBits)) % (1L << kCounterBits);
            const auto second = static_cast<std::size_t>(times[f] - times[0]);
            if (low.size() <= second)
                low.resize(second + 1, 1e9);
            low[second] = std::min(low[second], times[f] - static_cast<double>(unwrapped) / 120.0);
        }
        for (std::size_t i = 2; i < low.size(); ++i)
            if (low[i] < 1e8 && low[1] < 1e8)
                r.pictureDrift = std::max(r.pictureDrift, std::fabs(low[i] - low[1]));
    }
    // A frame written again is no new capture: its time is its first copy's.
    std::vector<double> captured(frames);
    for (std::size_t f = 0; f < frames; ++f)
        captured[f] = f > 0 && counters[f] == counters[f - 1] ? captured[f - 1] : times[f];
    // A flash began between the last dark capture and the first bright one:
    // the middle of that interval is its best estimate. Flash lengths differ
    // in turn (100, 150, 200 ms), so a beep of another flash's length shows
    // sound shifted by whole flashes.
    std::vector<double> flashes, lengths, slack;
    for (std::size_t f = 1; f < frames; ++f)
        if (bright[f] && !bright[f - 1]) {
            std::size_t g = f;
            while (g < frames && bright[g])
                ++g;
            if (g == frames)
                break; // cut off by the end
            flashes.push_back((times[f] + captured[f - 1]) / 2);
            lengths.push_back((times[g] + captured[g - 1]) / 2 - flashes.back());
            // How far off both ends may be, besides the beep's own edges.
            slack.push_back(0.03 + (times[f] - captured[f - 1] + times[g] - captured[g - 1]) / 2);
        }
    r.flashes = static_cast<int>(flashes.size());
    if (!flashes.empty())
        r.firstFlash = flashes.front();

    std::vector<double> level(pcmBytes.size() / 2);
    for (std::size_t i = 0; i < level.size(); ++i) {
        std::int16_t s;
        std::memcpy(&s, pcmBytes.data() + 2 * i, 2);
        level[i] = std::abs(static_cast<double>(s));
    }
    const auto at = [&](double seconds) {
        return std::clamp<long>(std::lround((seconds - audioStart) * kRate), 0, static_cast<long>(level.size()));
    };
    for (std::size_t i = 0; i < level.size(); ++i)
        if (level[i] > 1000) {
            r.firstSound = audioStart + static_cast<double>(i) / kRate;
            break;
        }

    r.sound = !level.empty();
    for (std::size_t k = 0; r.sound && k < flashes.size(); ++k) {
        const long from = at(flashes[k] - 0.25), to = at(flashes[k] + 0.35);
        double peak = 0;
        for (long i = from; i < to; ++i)
            peak = std::max(peak, level[i]);
        if (peak < 1000) {
            ++r.missing;
            r.perFlash += " -";
            continue;
        }
        long onset = from;
        while (level[onset] <= peak / 4)
            ++onset;
        long last = onset;
        for (long i = onset; i < to; ++i)
            if (level[i] > peak / 4)
                last = i;
        const double offset = audioStart + static_cast<double>(onset) / kRate - flashes[k];
        const double beepLength = static_cast<double>(last - onset) / kRate;
        char text[64];
        if (std::fabs(beepLength - lengths[k]) > slack[k]) {
            ++r.mismatched;
            std::snprintf(text, sizeof text, " ?%+.0f(%.0f/%.0fms)", offset * 1000, beepLength * 1000,
                          lengths[k] * 1000);
        } else {
            r.offsets.push_back(offset);
            std::snprintf(text, sizeof text, " %+.0f", offset * 1000);
        }
        r.perFlash += text;
    }
    r.medianOffset = median(r.offsets);
    for (double o : r.offsets)
        r.spread = std::max(r.spread, std::fabs(o - r.medianOffset));
    return r;
}

std::string FidelityRow(const std::string& label, const Fidelity& f)
{
    if (!f.ok)
        return label + " no video\n";
    char text[512];
    if (!f.sound) {
        std::snprintf(
            text, sizeof text, "%-14s distinct=%5.1f/s written=%5.1f/s quick=%2.0f%% flashes=%d first_flash=%.2fs\n",
            label.c_str(), f.distinctPerSecond, f.writtenPerSecond, f.quickShare * 100, f.flashes, f.firstFlash);
        return text;
    }
    std::snprintf(
        text, sizeof text,
        "%-14s distinct=%5.1f/s written=%5.1f/s quick=%2.0f%% av_median=%+4.0fms spread=%3.0fms flashes=%d "
        "missing=%d shifted=%d first_flash=%.2fs first_sound=%.2fs picture_drift=%.0fms\n%-14s per flash (ms):%s\n",
        label.c_str(), f.distinctPerSecond, f.writtenPerSecond, f.quickShare * 100, f.medianOffset * 1000,
        f.spread * 1000, f.flashes, f.missing, f.mismatched, f.firstFlash, f.firstSound, f.pictureDrift * 1000, "",
        f.perFlash.c_str());
    return text;
}
