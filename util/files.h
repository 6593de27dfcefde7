#pragma once
// File names that do not collide, and free space. Qt-free, UTF-8 paths.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {
class NewFile;
}

namespace util {

// Buffer size, in UTF-16 units, that callers give MakeUniqueFileName.
inline constexpr std::size_t kUniqueNameChars = 520;

// `out` receives `path` itself when nothing of that name exists, else the
// first free "name(n).ext" for n = 1, 2, ... Returns 0, or ERANGE (with `out`
// empty) when the result does not fit `outChars` UTF-16 units with its end,
// or every number the rule tries is taken.
int MakeUniqueFileName(const std::string& path, std::string& out, std::size_t outChars = kUniqueNameChars);

// The one free-name rule for what this program writes: `path`, else the
// first free "name(n).ext", made here as a new empty file (never over
// another file, never through a link) so that nobody takes it meanwhile and
// the writer may open it with truncation. Empty when no such name could be
// made (no room in the name, no right to write, too many taken): a caller
// never gets a path that held something before. `content`, when given, is
// written into the new file.
std::string ClaimFreeName(const std::string& path, const std::string& content = {});
// The same, the new file held open for writing in `file`.
std::string ClaimFreeFile(const std::string& path, std::unique_ptr<platform::NewFile>& file);

// A new folder under the same rule: `path`, else the first free
// "name(n).ext". Empty when none could be made.
std::string ClaimFreeFolder(const std::string& path);

// What one try of a name came to: made (the claim ends there), taken by
// something (the next number is tried), or failed for a reason that no
// number mends (no folder, no right to write).
enum class NameClaim { Made, Taken, Failed };
// The rule itself, for a caller that makes more than one file of a name
// (a take's files share their stem): `make` tries `path`, then "name(n).ext"
// for n = 1, 2, ... The name made, or empty.
std::string ClaimFirstFree(const std::string& path, const std::function<NameClaim(const std::string& name)>& make);

// The same rule for a file this program made beside it: `from` is given the
// first free name, never over another file or link. The name it got, or
// empty (and `from` as it was) when none could be had.
std::string MoveToFreeName(const std::string& from, const std::string& path);

// Free bytes for this user where `folder` lies (on Windows: its drive, from
// the first letter). Returns 0, or the system error code and leaves `out` as
// it was: callers preset 0, so a failed query shows as 0 bytes.
int GetDriveFreeSpace(const std::string& folder, std::uint64_t& out);

} // namespace util
