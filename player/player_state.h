#pragma once
// What the player's answers mean for the cut page: the position, the length,
// the slider and the label beside it. Pure and Qt-free, so every answer can
// be checked without a player.
#include <cstdint>
#include <string>

namespace player {

// What a line of the player's output was.
enum class PlayerLine { Other, Position, Length, EndOfFile };

class PlayerState {
public:
    // One line of the player's output, line feeds included or not. Lines
    // that are no answer change nothing.
    PlayerLine applyLine(std::string line);
    // The user moved the slider to `seconds`.
    void seekTo(int seconds);

    // Last position: the player's own text ("12.3"), or the second sought.
    const std::string& positionText() const { return positionText_; }
    // The same in milliseconds: the shown frame's start, as the player tells it.
    std::int64_t positionMs() const { return positionMs_; }
    // One frame's duration in milliseconds, once the player has told its rate.
    double frameMs() const { return frameMs_; }
    std::int64_t length() const { return length_; }
    int sliderValue() const { return sliderValue_; }
    int sliderMaximum() const { return sliderMaximum_; }
    // "00:00:12.300/00:01:30"; empty until the first length.
    const std::string& label() const { return label_; }

private:
    std::string positionText_;
    std::int64_t positionMs_ = 0;
    double frameMs_ = 40;
    std::int64_t length_ = 0;
    double lengthSeconds_ = 0;
    int sliderValue_ = 0;
    int sliderMaximum_ = 0;
    std::string label_;
};

// The digits a text begins with, as a number ("12.8" gives 12, "" gives 0).
std::int64_t LeadingInteger(const std::string& text);

} // namespace player
