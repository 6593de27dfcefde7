#include "recording/record_tick.h"

#include "util/format.h"

namespace recording {

using util::FormatDuration;
using util::FormatSize;

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

std::string RecordStatusText(std::uint64_t elapsedSeconds, std::int64_t fileBytes, const std::string& caption)
{
    return caption + "\n\n" + FormatDuration(static_cast<std::int64_t>(elapsedSeconds)) + "\n\n"
        + FormatSize(fileBytes < 0 ? 0 : fileBytes);
}

bool NeedsSoundlessRestart(std::uint64_t elapsedSeconds, const std::string& outputPath, bool outputExists)
{
    return elapsedSeconds > kNoFileGraceSeconds && !outputPath.empty() && !outputExists;
}

void RecordTicker::started(std::uint64_t nowMs, bool withSound)
{
    startMs_ = nowMs;
    pausedMs_ = 0;
    pauseFrom_ = 0;
    running_ = true;
    withSound_ = withSound;
    sawFile_ = false;
}

void RecordTicker::paused(std::uint64_t nowMs)
{
    if (pauseFrom_ == 0)
        pauseFrom_ = nowMs;
}

void RecordTicker::resumed(std::uint64_t nowMs)
{
    if (pauseFrom_ == 0)
        return;
    pausedMs_ += nowMs - pauseFrom_;
    pauseFrom_ = 0;
}

std::uint64_t RecordTicker::elapsedSeconds(std::uint64_t nowMs) const
{
    const std::uint64_t end = pauseFrom_ != 0 ? pauseFrom_ : nowMs;
    return (end - startMs_ - pausedMs_) / 1000;
}

RecordTickResult RecordTicker::tick(const RecordTickInput& input)
{
    RecordTickResult result;
    const bool pausing = running_ && pauseFrom_ != 0;
    result.trayImage = pausing ? TrayImage::Paused : NextBlink(blink_);
    const std::uint64_t elapsed = elapsedSeconds(input.nowMs);
    result.elapsedSeconds = elapsed;
    result.statusText = pausing
        ? RecordStatusText(elapsed, input.outputExists ? input.outputBytes : 0, input.pausedCaption)
        : RecordStatusText(elapsed, input.outputExists ? input.outputBytes : 0);
    if (!running_)
        return result;
    sawFile_ = sawFile_ || input.outputExists;
    if (!sawFile_ && !pausing && NeedsSoundlessRestart(elapsed, input.outputPath, input.outputExists)) {
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

} // namespace recording
