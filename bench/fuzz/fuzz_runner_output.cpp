// The runner reading an encoder's output: a real child prints the input, and
// the scanner must get every byte in order, each chunk ended by a zero.
#include "encoder/runner.h"
#include "platform/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

using encoder::RunEnded;
using encoder::RunInvalidData;
using encoder::RunTool;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static const std::string path = "/tmp/vtr-fuzz-runner-" + std::to_string(::getpid());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    std::string seen;
    bool stopped = false;
    const int status = RunTool("/bin/cat " + platform::quoteArgument(path), [&](const char* chunk, std::size_t got) {
        if (got == 0 || got > 4096 || chunk[got] != '\0')
            std::abort();
        seen.append(chunk, got);
        stopped = std::strstr(chunk, "Invalid data") != nullptr;
        return stopped;
    });
    if (status != (stopped ? RunInvalidData : RunEnded))
        std::abort();
    const std::string sent(reinterpret_cast<const char*>(data), size);
    if (stopped ? sent.compare(0, seen.size(), seen) != 0 : seen != sent)
        std::abort();
    return 0;
}
