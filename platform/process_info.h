#pragma once
// What the system itself knows of this program's processes, for the checks
// that no child outlives its run and for memory figures: the live-children
// table says what we think is running, this says what is.
#include <cstdint>
#include <vector>

namespace platform {

// The children of this process the system still holds, ended but unreaped ones
// included.
std::vector<std::int64_t> childProcessIds();
// This process's resident memory in bytes; -1 when unknown.
std::int64_t residentBytes();

} // namespace platform
