#include "library/recordings_listing.h"

#include "platform/files.h"
#include "platform/folder_listing.h"

#include <algorithm>
#include <cstdio>

namespace library {

bool IsRecordingName(std::string_view name)
{
    if (name.empty() || name.front() == '.')
        return false;
    return name.find(".mp4") != std::string_view::npos || name.find(".MP4") != std::string_view::npos;
}

std::string ListingDateText(const platform::LocalTime& t)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d  %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

bool listRecordings(const std::string& folder, RecordingListing& listing)
{
    RecordingListing found;
    const bool searched = platform::listFolder(folder, [&](const platform::FolderEntry& entry) {
        if (!IsRecordingName(entry.name) || entry.isDevice)
            return;
        found.push_back({entry.size, {}, ListingDateText(entry.lastWrite), entry.name, entry.lastWriteStamp});
    });
    if (!searched)
        return false;
    listing.insert(listing.end(), found.begin(), found.end());
    return true;
}

void sortNewestFirst(RecordingListing& listing)
{
    // The date texts hold digits in fixed-width fields from the year down, so
    // comparing them as text compares the times.
    std::sort(listing.begin(), listing.end(),
              [](const VideoFileInfo& a, const VideoFileInfo& b) { return a.date > b.date; });
}

std::string RecordingPath(const std::string& folder, const std::string& name)
{
    return folder + platform::separator() + name;
}

} // namespace library
