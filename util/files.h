#pragma once
// File names that do not collide, and free space. Qt-free, UTF-8 paths.
#include <cstddef>
#include <cstdint>
#include <string>

namespace util {

// Buffer size, in UTF-16 units, that callers give MakeUniqueFileName.
inline constexpr std::size_t kUniqueNameChars = 520;

// `out` receives `path` itself when nothing of that name exists, else the
// first free "name(n).ext" for n = 1, 2, ... Returns 0, or ERANGE (with `out`
// empty) when the result does not fit `outChars` UTF-16 units with its end.
int MakeUniqueFileName(const std::string& path, std::string& out, std::size_t outChars = kUniqueNameChars);

// Free bytes for this user where `folder` lies (on Windows: its drive, from
// the first letter). Returns 0, or the system error code and leaves `out` as
// it was: callers preset 0, so a failed query shows as 0 bytes.
int GetDriveFreeSpace(const std::string& folder, std::uint64_t& out);

} // namespace util
