#include "recording/source_meter.h"

#include <algorithm>
#include <cmath>

namespace recording {

namespace {

int meterDb(double db) { return std::clamp(static_cast<int>(std::lround(db)), kMeterFloorDb, 0); }

} // namespace

MeterReading SourceMeter::read(const capture::SoundLevel& level)
{
    everPresent_ = everPresent_ || level.present;
    // A source still being opened is not gone yet; one that was open is
    // gone at once.
    if (!level.present && (everPresent_ || level.silentTooLong()))
        warning_ = SourceWarning::Gone;
    else if (level.present && level.silentTooLong())
        warning_ = SourceWarning::Silent;
    else
        warning_ = SourceWarning::None;
    if (warning_ == SourceWarning::None)
        noticed_ = SourceWarning::None;
    return {meterDb(level.rmsDb), meterDb(level.peakDb), warning_};
}

bool SourceMeter::noticeDue(bool recording)
{
    // Gone is worse than silent: a source that comes back silent is not
    // told again.
    if (!recording || warning_ <= noticed_)
        return false;
    noticed_ = warning_;
    return true;
}

} // namespace recording
