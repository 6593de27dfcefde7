// The probe's duration reader on any description the encoder may print.
#include "editing/stream_command.h"
#include "media/recording_length.h"

#include <cstdlib>
#include <string>

using media::DurationIn;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    const std::string description(reinterpret_cast<const char*>(data), size);
    const std::string duration = DurationIn(description);
    if (!duration.empty() && duration.size() != 8)
        std::abort();
    return 0;
}
