#include "recording/record_tick.h"

#include "util/format.h"

TrayImage NextBlink(int& counter)
{
    if (counter <= 15) {
        ++counter;
        return TrayImage::Rec1;
    }
    if (counter <= 30) {
        ++counter;
        return TrayImage::Rec2;
    }
    counter = 0;
    return TrayImage::Unchanged;
}

std::string RecordStatusText(std::uint64_t elapsedSeconds, std::int64_t fileBytes)
{
    return "Recording... \n\n" + FormatDuration(static_cast<std::int64_t>(elapsedSeconds)) + "\n\n"
        + FormatSize(fileBytes < 0 ? 0 : fileBytes);
}

bool NeedsSoundlessRestart(std::uint64_t elapsedSeconds, const std::string& outputPath, bool outputExists)
{
    return elapsedSeconds > kNoFileGraceSeconds && !outputPath.empty() && !outputExists;
}
