#pragma once
// The last lines an encoder printed, kept so that a failed step can say why
// in the encoder's own words. Qt-free.
#include "encoder/output_lines.h"

#include <cstddef>
#include <deque>
#include <string>

namespace encoder {

class OutputTail {
public:
    explicit OutputTail(std::size_t maxLines = 32);

    // Takes output as it comes; a line may be split between chunks. Lines end
    // with '\n' or '\r'; status lines ("frame=", "size=") are not kept.
    void add(const char* chunk, std::size_t size);

    // The line that best says why the encoder failed: one naming a system
    // error ("No space left on device", "Permission denied") before one that
    // only says "Error" or "failed", before the closing "Conversion failed!";
    // the latest of equals. The "[muxer @ 0x…] " prefix is dropped. Empty
    // when no line says anything of a failure.
    std::string tellingLine() const;

private:
    void keep(std::string line);

    std::size_t maxLines_;
    OutputLines lines_;
    std::deque<std::string> kept_;
};

} // namespace encoder
