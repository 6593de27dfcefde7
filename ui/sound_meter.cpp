#include "ui/sound_meter.h"

#include "i18n/language_config.h"
#include "recording/sound_watch.h"

#include <QPainter>

using i18n::GuiText;
using recording::SoundWatch;
using recording::SourceWarning;

namespace ui {

namespace {

// Loud enough to be near clipping: the bar turns from green to amber.
constexpr int kLoudDb = -9;

} // namespace

SoundMeter::SoundMeter(const QString& name, QWidget* parent) : QProgressBar(parent)
{
    setRange(recording::kMeterFloorDb, 0);
    setValue(recording::kMeterFloorDb);
    setFormat(QStringLiteral("%v dB"));
    setTextVisible(false);
    setAccessibleName(name);
    setAccessibleDescription(text());
}

void SoundMeter::showReading(const recording::MeterReading& reading)
{
    if (reading.rmsDb == value() && reading.peakDb == peakDb_)
        return;
    peakDb_ = reading.peakDb;
    setValue(reading.rmsDb);
    setAccessibleDescription(text());
    update();
}

void SoundMeter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect box = rect();
    painter.fillRect(box, QColor(60, 60, 60));
    const auto x = [&](int db) { return box.width() * (db - recording::kMeterFloorDb) / -recording::kMeterFloorDb; };
    const int rms = x(value());
    painter.fillRect(QRect(0, 0, rms, box.height()), value() > kLoudDb ? QColor(230, 160, 20) : QColor(40, 180, 70));
    if (peakDb_ > recording::kMeterFloorDb)
        painter.fillRect(QRect(std::min(x(peakDb_), box.width() - 2), 0, 2, box.height()), QColor(240, 240, 240));
}

QString soundWarningText(int source, SourceWarning warning, bool recording)
{
    const bool mic = source == SoundWatch::Microphone;
    switch (warning) {
    case SourceWarning::None:
        break;
    case SourceWarning::Silent:
        return GuiText(mic ? "MainWnd/SilentMic" : "MainWnd/SilentComputerSound");
    case SourceWarning::Gone:
        if (recording)
            return GuiText(mic ? "MainWnd/GoneMicRecording" : "MainWnd/GoneComputerSoundRecording");
        return GuiText(mic ? "MainWnd/GoneMic" : "MainWnd/GoneComputerSound");
    }
    return {};
}

} // namespace ui
