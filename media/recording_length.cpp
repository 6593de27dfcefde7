#include "media/recording_length.h"

#include "encoder/job_step.h"
#include "media/mp4_duration.h"

#include <cstdio>
#include <string_view>

namespace media {

namespace {

// The boxes' length, else the probe's text; `fromBoxes` says which.
std::string lengthText(const std::string& path, const DurationProbe& probe, std::int64_t& fromBoxes)
{
    fromBoxes = Mp4DurationMicroseconds(path);
    if (fromBoxes >= 0)
        return DurationText(fromBoxes);
    if (fromBoxes == kFileUnreadable)
        return {};
    std::string probed = probe(path);
    return IsDurationText(probed) ? probed : std::string();
}

} // namespace

std::string DurationIn(const std::string& description)
{
    static constexpr std::string_view kMarker = "Duration: ";
    const std::size_t at = description.rfind(kMarker);
    if (at == std::string::npos || description.size() < at + kMarker.size() + 8)
        return {};
    return description.substr(at + kMarker.size(), 8);
}

std::string ProbeDuration(const std::string& path) { return DurationIn(encoder::ProbeDescription(path)); }

std::string DurationText(std::int64_t microseconds)
{
    // The encoder adds half a hundredth before cutting to hundredths.
    const std::int64_t seconds = (microseconds + 5000) / 1000000;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02d:%02d", static_cast<long long>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return std::string(text).substr(0, 8);
}

bool IsDurationText(const std::string& text)
{
    if (text.size() != 8 || text[2] != ':' || text[5] != ':')
        return false;
    for (std::size_t i : {0, 1, 3, 4, 6, 7})
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

std::string RecordingLength(const std::string& path, const DurationProbe& probe)
{
    std::int64_t fromBoxes = 0;
    return lengthText(path, probe, fromBoxes);
}

std::int64_t RecordingMicroseconds(const std::string& path, const DurationProbe& probe)
{
    std::int64_t fromBoxes = 0;
    const std::string text = lengthText(path, probe, fromBoxes);
    if (fromBoxes >= 0)
        return fromBoxes;
    if (text.empty())
        return -1;
    const auto number = [&](std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
    return (static_cast<std::int64_t>(number(0)) * 3600 + number(3) * 60 + number(6)) * 1000000;
}

} // namespace media
