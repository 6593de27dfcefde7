#pragma once
// The recordings of one folder: every entry whose name holds ".mp4" or
// ".MP4", with its size and last-write time, newest first. Qt-free.
#include "platform/clock.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace library {

struct VideoFileInfo {
    std::uint64_t size = 0;
    std::string duration;   // "HH:MM:SS" once probed; empty after listing
    std::string date;       // last write, local time: "2018-03-05  14:07:09"
    std::string name;       // without folder
    std::int64_t stamp = 0; // last write to the system's finest unit
};

using RecordingListing = std::vector<VideoFileInfo>;

// Taken: names holding ".mp4" or ".MP4" anywhere (case-sensitive, so
// "a.mp4.bak" is taken and "a.Mp4" is not), unless they begin with ".".
bool IsRecordingName(std::string_view name);

// "%04d-%02d-%02d  %02d:%02d:%02d", two blanks between date and time.
std::string ListingDateText(const platform::LocalTime& t);

// Appends the recordings of `folder`, in the file system's order (an empty
// folder text means the root of the current drive). Devices are left out,
// folders with a matching name are kept. False, with `listing` unchanged,
// when the folder cannot be searched.
bool listRecordings(const std::string& folder, RecordingListing& listing);

// Newest first by date text; equal dates in no particular order.
void sortNewestFirst(RecordingListing& listing);

// The folder text, the separator and the name, as the listing was searched.
std::string RecordingPath(const std::string& folder, const std::string& name);

} // namespace library
