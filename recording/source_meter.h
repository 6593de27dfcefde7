#pragma once
// What the meter of one sound source shows, made from its capture's level:
// whole decibels on the meter's scale (a smaller change is not worth a
// repaint), and the warning the page and the tray give about it. Qt-free.
#include "capture/sound_capture.h"

namespace recording {

// The meters run from the capture's silence threshold to full scale.
inline constexpr int kMeterFloorDb = static_cast<int>(capture::kSilentDb);

enum class SourceWarning {
    None,
    Silent, // open, but below the threshold for kSilentWarnMicros
    Gone,   // not open: it went away, or never came within kSilentWarnMicros
};

struct MeterReading {
    int rmsDb = kMeterFloorDb;
    int peakDb = kMeterFloorDb;
    SourceWarning warning = SourceWarning::None;
    bool operator==(const MeterReading&) const = default;
};

// One source followed from the moment it is chosen.
class SourceMeter {
public:
    MeterReading read(const capture::SoundLevel& level);
    // True once for each stretch of silence or absence while a recording
    // runs (once more if a silent source then goes away); one that began
    // before the recording is told when it starts.
    bool noticeDue(bool recording);

private:
    bool everPresent_ = false;
    SourceWarning noticed_ = SourceWarning::None;
    SourceWarning warning_ = SourceWarning::None;
};

} // namespace recording
