// Builds without libpipewire (Windows, or a system without its headers):
// casts are read by the capturing child alone.
#include "platform/screen_cast_stream.h"

namespace platform {

std::unique_ptr<ScreenCastStream> openScreenCastStream(std::intptr_t, unsigned, int, int, int, std::string& why)
{
    why = "built without libpipewire";
    return nullptr;
}

bool screenCastStreamsBuiltIn() { return false; }

} // namespace platform
