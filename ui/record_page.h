#pragma once
// The record page: the audio choice, the save folder and its free space, the
// running time and size of a recording, and Start/Stop.
#include "platform/audio_sources.h"

#include <QWidget>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
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
    QLabel* recordTimeLabel() const { return recordTimeLabel_; }
    QLineEdit* saveDirEdit() const { return saveDirEdit_; }
    QLabel* freeSpaceLabel() const { return freeSpaceLabel_; }
    QPushButton* recordButton() const { return recordButton_; }

    // Start or Stop, and the running time shown only while recording.
    void showRecording(bool recording);
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

signals:
    void backClicked();
    void recordClicked();
    void folderClicked();
    void audioIndexChanged(int index);

private:
    TitleBand* band_;
    QComboBox* audioCombo_ = nullptr;
    QLabel* recordTimeLabel_ = nullptr;
    QLineEdit* saveDirEdit_ = nullptr;
    QLabel* freeSpaceLabel_ = nullptr;
    QPushButton* recordButton_ = nullptr;
};

// The free-space text of the drive that holds `folder`.
QString freeSpaceText(const QString& folder);
