#pragma once
// The meter of one sound source on the record page: a bar of its mean power
// from -60 to 0 dBFS with a mark at its peak. A progress bar underneath, so
// that screen readers meet it as one and read its value ("-20 dB").
#include "recording/source_meter.h"

#include <QProgressBar>
#include <QString>

namespace ui {

class SoundMeter : public QProgressBar {
    Q_OBJECT
public:
    SoundMeter(const QString& name, QWidget* parent);

    void showReading(const recording::MeterReading& reading);
    int peakDb() const { return peakDb_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int peakDb_ = recording::kMeterFloorDb;
};

// What the page and the tray say of `source` (recording::SoundWatch::Source)
// with `warning`; empty for none. A source gone while recording is recorded
// as silence, and that is said too.
QString soundWarningText(int source, recording::SourceWarning warning, bool recording);

} // namespace ui
