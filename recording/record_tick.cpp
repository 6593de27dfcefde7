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

void RecordTicker::started(std::uint64_t nowMs, bool withSound)
{
    startMs_ = nowMs;
    running_ = true;
    withSound_ = withSound;
}

RecordTickResult RecordTicker::tick(const RecordTickInput& input)
{
    RecordTickResult result;
    result.trayImage = NextBlink(blink_);
    const std::uint64_t elapsed = elapsedSeconds(input.nowMs);
    result.elapsedSeconds = elapsed;
    result.statusText = RecordStatusText(elapsed, input.outputExists ? input.outputBytes : 0);
    if (!running_)
        return result;
    if (NeedsSoundlessRestart(elapsed, input.outputPath, input.outputExists)) {
        // Without sound there is nothing left to leave out: a second restart
        // would only repeat the failure every few seconds.
        result.action =
            withSound_ ? RecordTickResult::Action::RestartWithoutSound : RecordTickResult::Action::StopNoFile;
        return result;
    }
    if (input.freeBytes < kMinFreeBytes)
        result.action = RecordTickResult::Action::StopForLowDisk;
    return result;
}
