#include "player/player_state.h"

#include "util/format.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace player {

using util::FormatDuration;
using util::FormatDurationMs;

namespace {

constexpr std::string_view kTimePosition = "ANS_TIME_POSITION=";
// The same to the microsecond, as the property.
constexpr std::string_view kTimeProperty = "ANS_time_pos=";
constexpr std::string_view kFrameRate = "ANS_fps=";
constexpr std::string_view kLength = "ANS_LENGTH=";
constexpr std::string_view kEndOfFile = "(End of file)";

bool startsWith(const std::string& text, std::string_view prefix) { return text.rfind(prefix, 0) == 0; }

// Held to the range of int; a player answering "nan" gives 0.
int toInt(double value)
{
    return std::isnan(value) ? 0 : static_cast<int>(std::clamp(value, -2147483648.0, 2147483647.0));
}

// A decimal number truncated towards zero; 0 when there is none.
int truncated(const std::string& text) { return toInt(std::strtod(text.c_str(), nullptr)); }

std::string labelText(std::int64_t positionMs, std::int64_t length)
{
    return FormatDurationMs(positionMs) + "/" + FormatDuration(length);
}

// Milliseconds of a decimal number of seconds, held to a range any file
// has; "nan" gives 0.
std::int64_t millisecondsOf(const std::string& text)
{
    const double seconds = std::strtod(text.c_str(), nullptr);
    return std::isnan(seconds) ? 0 : std::llround(std::clamp(seconds, 0.0, 1e9) * 1000);
}

} // namespace

std::int64_t LeadingInteger(const std::string& text)
{
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > (INT64_MAX - 9) / 10)
            break;
        value = value * 10 + (c - '0');
    }
    return value;
}

PlayerLine PlayerState::applyLine(std::string line)
{
    line.erase(std::remove(line.begin(), line.end(), '\n'), line.end());
    for (const std::string_view prefix : {kTimePosition, kTimeProperty}) {
        if (startsWith(line, prefix)) {
            positionText_ = line.substr(prefix.size());
            positionMs_ = millisecondsOf(positionText_);
            sliderValue_ = truncated(positionText_);
            if (!label_.empty())
                label_ = labelText(positionMs_, length_);
            return PlayerLine::Position;
        }
    }
    if (startsWith(line, kFrameRate)) {
        const double fps = std::strtod(line.c_str() + kFrameRate.size(), nullptr);
        if (fps >= 1 && fps <= 1000)
            frameMs_ = 1000 / fps;
        return PlayerLine::Other;
    }
    if (startsWith(line, kLength)) {
        const std::string value = line.substr(kLength.size());
        length_ = LeadingInteger(value);
        lengthSeconds_ = std::strtod(value.c_str(), nullptr);
        label_ = labelText(positionMs_, length_);
        sliderMaximum_ = truncated(value);
        return PlayerLine::Length;
    }
    if (line.find(kEndOfFile) != std::string::npos) {
        sliderValue_ = toInt(lengthSeconds_);
        positionMs_ = millisecondsOf(std::to_string(lengthSeconds_));
        label_ = labelText(positionMs_, length_);
        return PlayerLine::EndOfFile;
    }
    return PlayerLine::Other;
}

void PlayerState::seekTo(int seconds)
{
    sliderValue_ = seconds;
    positionText_ = std::to_string(seconds);
    positionMs_ = static_cast<std::int64_t>(seconds) * 1000;
    label_ = labelText(positionMs_, length_);
}

} // namespace player
