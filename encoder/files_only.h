#pragma once
// The input option before every "-i" that names a file or a list: the
// encoder opens plain files through it and nothing else, so that no name,
// no list line and no reference inside a file can reach the network, a
// pipe or a device. A list's own lines are held to it too.
namespace encoder {

inline constexpr char kFilesOnly[] = " -protocol_whitelist file";

} // namespace encoder
