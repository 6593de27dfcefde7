#include "encoder/output_tail.h"

#include <array>
#include <string_view>

namespace encoder {

namespace {

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
    lines_.add(chunk, size, [this](std::string& line) { keep(std::move(line)); });
}

void OutputTail::keep(std::string line)
{
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
        line.pop_back();
    if (line.empty() || line.rfind("frame=", 0) == 0 || line.rfind("size=", 0) == 0)
        return;
    kept_.push_back(std::move(line));
    if (kept_.size() > maxLines_)
        kept_.pop_front();
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
    for (const std::string& line : kept_)
        consider(line);
    // The encoder may end without a line break.
    const std::string& partial = lines_.partial();
    if (!partial.empty() && partial.rfind("frame=", 0) != 0 && partial.rfind("size=", 0) != 0)
        consider(partial);
    return best ? withoutPrefix(*best) : std::string();
}

} // namespace encoder
