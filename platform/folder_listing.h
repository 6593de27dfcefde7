#pragma once
// The entries of one folder, as the file system enumerates them. Qt-free.
#include "platform/clock.h"

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

struct FolderEntry {
    std::string name;       // without folder
    std::uint64_t size = 0; // bytes
    bool isFolder = false;
    bool isDevice = false;           // a device, pipe or socket rather than a file
    LocalTime lastWrite;             // in the current time zone
    std::int64_t lastWriteStamp = 0; // the same to the system's finest unit: changes with every write
};

// Calls `visit` for every entry of `folder` ("." and ".." included, in the
// file system's order). An empty folder text means the root of the current
// drive. False, with no call, when the folder cannot be searched.
bool listFolder(const std::string& folder, const std::function<void(const FolderEntry&)>& visit);

} // namespace platform
