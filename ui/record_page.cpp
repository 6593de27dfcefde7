#include "ui/record_page.h"

#include "recording/record_command.h"
#include "recording/sound_watch.h"
#include "i18n/language_config.h"
#include "ui/audio_combo.h"
#include "ui/bands.h"
#include "ui/keyboard_access.h"
#include "ui/page_parts.h"
#include "ui/sound_meter.h"
#include "ui/styles.h"
#include "util/files.h"
#include "util/format.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>
#include <utility>

using recording::RecordSources;
using recording::SoundWatch;
using i18n::CLanguageConfig;
using i18n::GuiText;
using util::CaptureChoice;
using util::CaptureKind;
using util::FormatSize;
using util::GetDriveFreeSpace;

namespace ui {

QString freeSpaceText(const QString& folder)
{
    std::uint64_t freeBytes = 0; // a failed query shows as 0 bytes
    GetDriveFreeSpace(folder.toStdString(), freeBytes);
    return QString::fromStdString(FormatSize(static_cast<std::int64_t>(freeBytes)));
}

namespace {

// A combo box at `at` with its caption to the left, which names it for
// screen readers and gives it a mnemonic.
QComboBox* captionedCombo(QWidget* panel, const char* caption, const QRect& at)
{
    auto* label = new QLabel(GuiText(caption), panel);
    label->setGeometry(50, at.y(), 120, at.height());
    auto* combo = new QComboBox(panel);
    combo->setGeometry(at);
    label->setBuddy(combo);
    return combo;
}

} // namespace

RecordPage::RecordPage(QWidget* parent, int w, const QString& saveFolder,
                       const std::optional<platform::AudioSources>& found, bool recording)
    : QWidget(parent), band_(new TitleBand(this, w, 40))
{
    setObjectName(QStringLiteral("recordPage"));
    setFont(ui::calibri(12, true));
    auto* box = new QVBoxLayout(this);
    box->setSpacing(5);
    box->setContentsMargins(0, 0, 0, 0);
    ui::addBand(box, band_);
    box->addStretch(3);

    auto* panel = new QLabel(this);
    panel->setStyleSheet(ui::kPanelStyle);
    panel->setMinimumSize(300, 400);
    auto* panelBox = new QVBoxLayout;
    panelBox->setContentsMargins(50, 20, 50, 20);
    panelBox->addWidget(panel);
    box->addLayout(panelBox);

    captureCombo_ = captionedCombo(panel, "MainWnd/Capture", QRect(180, 30, 300, 25));
    captureCombo_->setObjectName(QStringLiteral("captureCombo"));
    showCaptureChoices({}, {});
    connect(captureCombo_, &QComboBox::activated, this, &RecordPage::captureChosen);

    auto* audioCaption = new QLabel(GuiText("MainWnd/Audio"), panel);
    audioCaption->setGeometry(50, 65, 120, 25);
    audioCombo_ = new QComboBox(panel);
    audioCombo_->setGeometry(180, 65, 300, 25);
    audioCaption->setBuddy(audioCombo_);
    connect(audioCombo_, &QComboBox::currentIndexChanged, this, &RecordPage::audioIndexChanged);
    connect(audioCombo_, &QComboBox::currentIndexChanged, this, [this] { showMeters(audioMode()); });

    separateTracksBox_ = new QCheckBox(GuiText("MainWnd/SeparateTracks"), panel);
    separateTracksBox_->setObjectName(QStringLiteral("separateTracksBox"));
    separateTracksBox_->setToolTip(GuiText("MainWnd/SeparateTracksTip"));
    separateTracksBox_->setGeometry(180, 100, 300, 25);
    separateTracksBox_->resize(std::max(300, separateTracksBox_->sizeHint().width()), 25);
    connect(separateTracksBox_, &QCheckBox::toggled, this, &RecordPage::separateTracksChosen);
    // Each chosen source's meter; showMeters() places them.
    for (const auto& [source, caption] : {std::pair{SoundWatch::ComputerSound, "MainWnd/ComputerSound"},
                                          std::pair{SoundWatch::Microphone, "MainWnd/Mic"}}) {
        meterCaptions_[source] = new QLabel(GuiText(caption), panel);
        meters_[source] = new SoundMeter(GuiText(caption), panel);
        meterCaptions_[source]->setBuddy(meters_[source]);
    }
    soundWarningLabel_ = new QLabel(panel);
    soundWarningLabel_->setObjectName(QStringLiteral("soundWarning"));
    soundWarningLabel_->setGeometry(50, 300, 800, 44);
    soundWarningLabel_->setWordWrap(true);
    soundWarningLabel_->setStyleSheet(QStringLiteral("color: rgb(170, 0, 0);"));
    if (found)
        showAudioChoices(*found);
    else
        ui::appendNoneEntry(*audioCombo_, GuiText("MainWnd/NoSound"));
    showMeters(audioMode());

    recordTimeLabel_ = new QLabel(panel);
    recordTimeLabel_->setFont(ui::calibri(18, true));
    // Five lines of text; a font whose lines are taller than Calibri's
    // (Carlito) needs more than 150 pixels to show them all.
    recordTimeLabel_->setGeometry(600, 50, 600, std::max(150, 5 * recordTimeLabel_->fontMetrics().lineSpacing()));
    recordTimeLabel_->setStyleSheet(QStringLiteral("color: red;"));

    auto* saveCaption = new QLabel(GuiText("MainWnd/SaveDir"), panel);
    saveCaption->setGeometry(50, 135, 120, 25);
    saveDirEdit_ = ui::folderEdit(saveFolder, panel, QRect(180, 135, 300, 25));
    saveCaption->setBuddy(saveDirEdit_);
    saveDirEdit_->setEnabled(false);
    // Disabled only so that the folder button is the one way to change it:
    // its text must still read on the grey panel, as it does on Windows.
    QPalette readable = saveDirEdit_->palette();
    readable.setColor(QPalette::Disabled, QPalette::Text, QColor(109, 109, 109));
    saveDirEdit_->setPalette(readable);
    folderButton_ = ui::folderButton(panel, QRect(500, 135, 30, 25));
    folderButton_->setObjectName(QStringLiteral("saveFolderButton"));
    connect(folderButton_, &QPushButton::clicked, this, &RecordPage::folderClicked);

    auto* freeCaption = new QLabel(GuiText("MainWnd/FreeSpace"), panel);
    freeCaption->setGeometry(50, 170, 200, 25);
    freeSpaceLabel_ = new QLabel(GuiText("MainWnd/Unknow"), panel);
    freeSpaceLabel_->setGeometry(220, 170, 100, 25);
    freeCaption->setBuddy(freeSpaceLabel_);
    if (!saveDirEdit_->text().isEmpty())
        freeSpaceLabel_->setText(freeSpaceText(saveDirEdit_->text()));

    countdownCombo_ = captionedCombo(panel, "MainWnd/Countdown", QRect(180, 205, 120, 25));
    countdownCombo_->setObjectName(QStringLiteral("countdownCombo"));
    countdownCombo_->addItem(GuiText("MainWnd/CountdownOff"), 0);
    for (const int seconds : {3, 5})
        countdownCombo_->addItem(GuiText("MainWnd/CountdownSeconds").arg(seconds), seconds);
    connect(countdownCombo_, &QComboBox::activated, this,
            [this] { emit countdownChosen(countdownCombo_->currentData().toInt()); });

    QString description = GuiText("MainWnd/ScreenDescri");
    description.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    auto* descriptionLabel = new QLabel(description, panel);
    descriptionLabel->setGeometry(50, 345, 800, 50);
    // Longer translations take a second line.
    descriptionLabel->setWordWrap(true);

    box->addStretch(3);
    auto* bar = new QLabel(this);
    bar->setMinimumSize(w, 40);
    QPushButton* back = ui::greyButton(GuiText("MainWnd/Back"), bar);
    back->setGeometry(50, 2, 100, 35);
    connect(back, &QPushButton::clicked, this, &RecordPage::backClicked);
    recordButton_ = ui::greyButton(GuiText(recording ? "MainWnd/Stop" : "MainWnd/Start"), bar);
    recordButton_->setGeometry(w - 150, 2, 100, 35);
    connect(recordButton_, &QPushButton::clicked, this, &RecordPage::recordClicked);
    // Sized for the longer of its two captions, so that it keeps its place.
    pauseButton_ = ui::greyButton(GuiText("MainWnd/Resume"), bar);
    pauseButton_->setObjectName(QStringLiteral("pauseButton"));
    pauseButton_->setGeometry(w - 260, 2, 100, 35);
    connect(pauseButton_, &QPushButton::clicked, this, &RecordPage::pauseClicked);
    ui::widenRow({back}, 0, pauseButton_->x() - 10);
    ui::widenRow({pauseButton_, recordButton_}, back->geometry().right() + 10, w - 10);
    const int pauseWidth = pauseButton_->width();
    pauseButton_->setText(GuiText("MainWnd/Pause"));
    pauseButton_->resize(std::max(pauseWidth, ui::neededWidth(pauseButton_)), pauseButton_->height());
    box->addWidget(bar);
    box->addWidget(new FooterBand(this, w, false));
    ui::pressOnEnter(this);
    showRecording(recording);
}

void RecordPage::showRecording(bool recording)
{
    recordButton_->setText(GuiText(recording ? "MainWnd/Stop" : "MainWnd/Start"));
    recordTimeLabel_->setVisible(recording);
    recording_ = recording;
    showWarnings();
    pauseButton_->setVisible(recording);
    // The folder of a running take stays as it is until the take is done.
    folderButton_->setEnabled(!recording);
    if (!recording)
        showPaused(false);
}

void RecordPage::showPaused(bool paused)
{
    pauseButton_->setText(GuiText(paused ? "MainWnd/Resume" : "MainWnd/Pause"));
    pauseButton_->setAccessibleName(pauseButton_->text());
}

void RecordPage::setStatusText(const QString& text) { recordTimeLabel_->setText(text); }

void RecordPage::showSaveFolder(const QString& folder)
{
    saveDirEdit_->setText(folder);
    if (!folder.isEmpty())
        freeSpaceLabel_->setText(freeSpaceText(folder));
}

void RecordPage::showAudioChoices(const platform::AudioSources& found)
{
    const bool chosenBefore = audioCombo_->count() > 1;
    const QVariant chosen = audioCombo_->currentData();
    {
        // One change told, not one for each step of the refill: each
        // opens or closes the sound streams of the meters.
        const QSignalBlocker quiet(audioCombo_);
        audioCombo_->clear();
        ui::appendAudioEntries(*audioCombo_, found, ui::AudioEntryTexts::fromLookup([](const QString& key) {
            return CLanguageConfig::Instance()->GetText(key.toLatin1().constData());
        }));
        ui::appendNoneEntry(*audioCombo_, GuiText("MainWnd/NoSound"));
        const int kept = chosenBefore ? audioCombo_->findData(chosen) : -1;
        audioCombo_->setCurrentIndex(std::max(kept, 0));
    }
    showMeters(audioMode());
    emit audioIndexChanged(audioCombo_->currentIndex());
}

int RecordPage::audioMode() const
{
    return ui::audioModeOfEntry(*audioCombo_, audioCombo_->currentIndex()).value_or(RecordSources{}.audioMode);
}

void RecordPage::chooseNoSound() { audioCombo_->setCurrentIndex(audioCombo_->count() - 1); }

namespace {

// Entry data: the kind, and for a screen its number from 0.
constexpr int kScreenEntry = 100;

int entryOf(CaptureKind kind) { return static_cast<int>(kind); }

} // namespace

void RecordPage::showCaptureChoices(const std::vector<platform::ScreenArea>& screens, const CaptureChoice& chosen)
{
    const QSignalBlocker quiet(captureCombo_);
    screens_ = screens;
    captureCombo_->clear();
    captureCombo_->addItem(GuiText("MainWnd/WholeDesktop"), entryOf(CaptureKind::Desktop));
    int selected = 0;
    // One screen is the whole desktop.
    for (std::size_t i = 0; screens.size() > 1 && i < screens.size(); ++i) {
        const platform::ScreenArea& s = screens[i];
        captureCombo_->addItem(
            GuiText("MainWnd/ScreenN").arg(i + 1).arg(s.width).arg(s.height), kScreenEntry + static_cast<int>(i));
        if (chosen.kind == CaptureKind::Screen && chosen.area.x == s.x && chosen.area.y == s.y
            && chosen.area.width == s.width && chosen.area.height == s.height)
            selected = captureCombo_->count() - 1;
    }
    // A picked part is named by its numbers; else the entry asks for one.
    const platform::ScreenArea& a = chosen.area;
    for (const auto& [kind, named, ask] : {std::tuple{CaptureKind::Area, "MainWnd/ChosenArea", "MainWnd/AnArea"},
                                           std::tuple{CaptureKind::Window, "MainWnd/ChosenWindow", "MainWnd/AWindow"}}) {
        const bool picked = chosen.kind == kind;
        captureCombo_->addItem(picked ? GuiText(named).arg(a.width).arg(a.height).arg(a.x).arg(a.y) : GuiText(ask),
                               entryOf(kind));
        if (picked)
            selected = captureCombo_->count() - 1;
    }
    captureCombo_->setCurrentIndex(selected);
}

CaptureChoice RecordPage::selectedCapture() const
{
    const int data = captureCombo_->currentData().toInt();
    CaptureChoice choice;
    if (data >= kScreenEntry && static_cast<std::size_t>(data - kScreenEntry) < screens_.size()) {
        choice.kind = CaptureKind::Screen;
        choice.area = screens_[static_cast<std::size_t>(data - kScreenEntry)];
    } else {
        choice.kind = static_cast<CaptureKind>(data);
    }
    return choice;
}

void RecordPage::showCountdown(int seconds)
{
    const QSignalBlocker quiet(countdownCombo_);
    countdownCombo_->setCurrentIndex(std::max(0, countdownCombo_->findData(seconds)));
}

int RecordPage::countdownSeconds() const { return countdownCombo_->currentData().toInt(); }

void RecordPage::showSeparateTracks(bool separate)
{
    const QSignalBlocker quiet(separateTracksBox_);
    separateTracksBox_->setChecked(separate);
}

bool RecordPage::separateTracks() const { return separateTracksBox_->isChecked(); }

void RecordPage::showMeters(int audioMode)
{
    const bool both = audioMode == recording::AudioComputerSoundAndMic;
    separateTracksBox_->setEnabled(both);
    const bool shown[] = {both || audioMode == recording::AudioComputerSound,
                          both || audioMode == recording::AudioMicrophone};
    int y = 245;
    for (int source = 0; source < 2; ++source) {
        meterCaptions_[source]->setVisible(shown[source]);
        meters_[source]->setVisible(shown[source]);
        if (!shown[source])
            continue;
        meterCaptions_[source]->setGeometry(50, y, 125, 25);
        meters_[source]->setGeometry(180, y + 5, 300, 15);
        y += 28;
    }
    showWarnings();
}

void RecordPage::showReading(int source, const recording::MeterReading& reading)
{
    meters_[source]->showReading(reading);
    if (std::exchange(readings_[source], reading).warning != reading.warning)
        showWarnings();
}

void RecordPage::showWarnings()
{
    QStringList lines;
    for (int source = 0; source < 2; ++source) {
        if (meters_[source]->isVisibleTo(this))
            lines << soundWarningText(source, readings_[source].warning, recording_);
    }
    lines.removeAll(QString());
    soundWarningLabel_->setText(lines.join(QLatin1Char('\n')));
}

void RecordPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    emit shownChanged(true);
}

void RecordPage::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    emit shownChanged(false);
}

} // namespace ui
