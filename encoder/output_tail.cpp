#include "encoder/output_tail.h"

#include <array>
#include <string_view>

namespace {

// A line longer than this is cut: the tail must stay small whatever the
// encoder prints.
constexpr std::size_t kLineMax = 1024;

bool has(std::string_view line, std::string_view part) { return line.find(part) != std::string_view::npos; }

int rank(std::string_view line)
{
    // The system's own error texts, as the encoder quotes them.
    static constexpr std::array<std::string_view, 9> kSystemErrors = {
        "No space left on device", "Permission denied",   "No such file or directory",
        "Read-only file system",   "Disk quota exceeded", "File too large",
        "Is a directory",          "Input/output error",  "Invalid data found",
    };
    for (std::string_view e : kSystemErrors)
        if (has(line, e))
            return 4;
    if (has(line, "Conversion failed"))
        return 2;
    static constexpr std::array<std::string_view, 7> kFailureWords = {
        "Error", "error", "failed", "Invalid", "Could not", "Cannot", "empty",
    };
    for (std::string_view w : kFailureWords)
        if (has(line, w))
            return 3;
    return 0;
}

// "[mp4 @ 0x55d0c0] Error" → "Error": the address means nothing to a user.
std::string withoutPrefix(const std::string& line)
{
    if (line.empty() || line.front() != '[')
        return line;
    const std::size_t close = line.find("] ");
    if (close == std::string::npos || line.find(" @ 0x") > close)
        return line;
    return line.substr(close + 2);
}

} // namespace

OutputTail::OutputTail(std::size_t maxLines) : maxLines_(maxLines == 0 ? 1 : maxLines) { }

void OutputTail::add(const char* chunk, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        const char c = chunk[i];
        if (c == '\n' || c == '\r') {
            keep(std::move(partial_));
            partial_.clear();
        } else if (partial_.size() < kLineMax) {
            partial_ += c;
        }
    }
}

void OutputTail::keep(std::string line)
{
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
        line.pop_back();
    if (line.empty() || line.rfind("frame=", 0) == 0 || line.rfind("size=", 0) == 0)
        return;
    lines_.push_back(std::move(line));
    if (lines_.size() > maxLines_)
        lines_.pop_front();
}

std::string OutputTail::tellingLine() const
{
    const std::string* best = nullptr;
    int bestRank = 1; // lines that say nothing of a failure never count
    auto consider = [&](const std::string& line) {
        const int r = rank(line);
        if (r >= bestRank) {
            best = &line;
            bestRank = r;
        }
    };
    for (const std::string& line : lines_)
        consider(line);
    // The encoder may end without a line break.
    if (!partial_.empty() && partial_.rfind("frame=", 0) != 0 && partial_.rfind("size=", 0) != 0)
        consider(partial_);
    return best ? withoutPrefix(*best) : std::string();
}
