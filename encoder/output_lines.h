#pragma once
// An encoder's output cut into lines as it comes: the one splitter behind
// every reader of its lines. Qt-free.
#include <cstddef>
#include <string>

namespace encoder {

class OutputLines {
public:
    // A line longer than this is cut: what is kept of an encoder's output
    // must stay small whatever it prints.
    static constexpr std::size_t kLineMax = 1024;

    // Takes output as it comes; a line may be split between chunks. Lines
    // end with '\n' or '\r' (the encoder's status line ends with '\r' alone).
    // Calls `take(std::string& line)` for each line the chunk completes;
    // empty lines are passed over.
    template <typename Take>
    void add(const char* chunk, std::size_t size, Take&& take)
    {
        for (std::size_t i = 0; i < size; ++i) {
            const char c = chunk[i];
            if (c == '\n' || c == '\r') {
                if (!partial_.empty())
                    take(partial_);
                partial_.clear();
            } else if (partial_.size() < kLineMax) {
                partial_ += c;
            }
        }
    }

    // The line being written, not yet ended.
    const std::string& partial() const { return partial_; }

private:
    std::string partial_;
};

} // namespace encoder
