#pragma once
// The record page: what to record, the audio choice with a meter of each
// chosen source and a warning when one is silent or gone, the save folder
// and its free space, the running time and size of a recording, and
// Start/Stop.
#include "platform/audio_sources.h"
#include "platform/screen_grab.h"
#include "recording/source_meter.h"
#include "util/capture_choice.h"

#include <QWidget>

#include <array>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {

class SoundMeter;
class TitleBand;

class RecordPage : public QWidget {
    Q_OBJECT
public:
    // `found`: the sound devices, when a discovery has told them; until
    // then the audio choice offers "None" alone.
    RecordPage(QWidget* parent, int width, const QString& saveFolder,
               const std::optional<platform::AudioSources>& found, bool recording);

    TitleBand* titleBand() const { return band_; }
    QComboBox* audioCombo() const { return audioCombo_; }
    QComboBox* captureCombo() const { return captureCombo_; }
    QComboBox* countdownCombo() const { return countdownCombo_; }
    QLabel* recordTimeLabel() const { return recordTimeLabel_; }
    QLineEdit* saveDirEdit() const { return saveDirEdit_; }
    QLabel* freeSpaceLabel() const { return freeSpaceLabel_; }
    QPushButton* recordButton() const { return recordButton_; }
    QPushButton* pauseButton() const { return pauseButton_; }
    QCheckBox* separateTracksBox() const { return separateTracksBox_; }
    // recording::SoundWatch::Source's meter.
    SoundMeter* meter(int source) const { return meters_[source]; }
    QLabel* soundWarningLabel() const { return soundWarningLabel_; }

    // Start or Stop, and the running time and the pause button shown only
    // while recording, when the folder button is disabled.
    void showRecording(bool recording);
    // Pause, or Resume while paused.
    void showPaused(bool paused);
    void setStatusText(const QString& text);
    // The folder and the free space of its drive.
    void showSaveFolder(const QString& folder);
    // The audio choices `found` allows, then "None". The first discovery
    // chooses entry 0; a later one keeps the chosen kind where it is still
    // offered.
    void showAudioChoices(const platform::AudioSources& found);
    // The audio mode of the chosen entry.
    int audioMode() const;
    void chooseNoSound();
    // What to record: the whole desktop, each of `screens`, an area, a
    // window; `chosen` is selected, its area named. Changes emit nothing.
    void showCaptureChoices(const std::vector<platform::ScreenArea>& screens, const util::CaptureChoice& chosen);
    // The kind of the selected entry, and for a screen its area.
    util::CaptureChoice selectedCapture() const;
    // The countdown before a recording: 0 (off), 3 or 5 seconds.
    void showCountdown(int seconds);
    int countdownSeconds() const;
    // Changes emit nothing.
    void showSeparateTracks(bool separate);
    bool separateTracks() const;
    // The meters of the sources the audio mode takes, in their order; the
    // separate-tracks choice only counts with both.
    void showMeters(int audioMode);
    // What recording::SoundWatch tells of a source; its warning is named
    // below the meters.
    void showReading(int source, const recording::MeterReading& reading);

signals:
    void backClicked();
    void recordClicked();
    void pauseClicked();
    void folderClicked();
    void audioIndexChanged(int index);
    // The user selected another entry of what to record.
    void captureChosen();
    void countdownChosen(int seconds);
    void separateTracksChosen(bool separate);
    // The page came into view, or went out of it.
    void shownChanged(bool shown);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showWarnings();

    TitleBand* band_;
    QComboBox* audioCombo_ = nullptr;
    QComboBox* captureCombo_ = nullptr;
    QComboBox* countdownCombo_ = nullptr;
    std::vector<platform::ScreenArea> screens_;
    QLabel* recordTimeLabel_ = nullptr;
    QLineEdit* saveDirEdit_ = nullptr;
    QLabel* freeSpaceLabel_ = nullptr;
    QPushButton* recordButton_ = nullptr;
    QPushButton* folderButton_ = nullptr;
    QPushButton* pauseButton_ = nullptr;
    QCheckBox* separateTracksBox_ = nullptr;
    std::array<QLabel*, 2> meterCaptions_{};
    std::array<SoundMeter*, 2> meters_{};
    std::array<recording::MeterReading, 2> readings_{};
    QLabel* soundWarningLabel_ = nullptr;
    bool recording_ = false;
};

// The free-space text of the drive that holds `folder`.
QString freeSpaceText(const QString& folder);

} // namespace ui
