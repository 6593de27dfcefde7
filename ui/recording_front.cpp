#include "ui/recording_front.h"

#include "i18n/language_config.h"
#include "platform/audio_sources.h"
#include "platform/desktop.h"
#include "platform/paths.h"
#include "recording/capture_part.h"
#include "recording/encoder_lifetime.h"
#include "recording/record_window.h"
#include "settings/capture_setting.h"
#include "ui/area_picker.h"
#include "ui/countdown_overlay.h"
#include "ui/keyboard_access.h"
#include "settings/save_folder.h"
#include "ui/record_page.h"
#include "ui/record_tray.h"
#include "ui/sound_meter.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QLineEdit>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <utility>

using i18n::GuiText;
using recording::HotkeyListener;
using recording::PartAtStart;
using recording::RecordChoices;
using recording::RecordController;
using recording::RecordTickResult;
using recording::RecordWindowOnTick;
using recording::RecordWindowTick;
using recording::SoundWatch;
using recording::TakeRecovery;
using recording::WindowAway;
using recording::WindowAwayOnStart;
using util::CaptureChoice;
using util::CaptureKind;

namespace ui {

namespace {

// How long after a stop the next encoder is made ready.
constexpr int kReadyAfterStopMs = 1500;

// A message whose "\n" marks are line breaks.
QString lines(const char* key) { return GuiText(key).replace(QStringLiteral("\\n"), QStringLiteral("\n")); }

// The sound tracks' titles, in the user's language.
takes::SoundTitles soundTitles()
{
    return {GuiText("MainWnd/ComputerSound").toStdString(), GuiText("MainWnd/Mic").toStdString()};
}

} // namespace

RecordingFront::RecordingFront(QWidget* window, Notify notify)
    : QObject(window), window_(window), notify_(std::move(notify)),
      recovery_(TakeRecovery::guardOf(recorder_)),
      tray_(new RecordTray(window)), timer_(new QTimer(this))
{
    // One timer for the window's whole life: a rebuild during a recording
    // must not lose the running count.
    connect(timer_, &QTimer::timeout, this, &RecordingFront::tick);
    connect(&discovery_, &audio::AudioDiscovery::finished, this, &RecordingFront::audioFound);
    connect(&watch_, &SoundWatch::readingChanged, this, [this](int source, const recording::MeterReading& reading) {
        if (page_)
            page_->showReading(source, reading);
    });
    // The window is away while recording: the tray says it.
    connect(&watch_, &SoundWatch::noticeDue, this, [this](int source, recording::SourceWarning warning) {
        tray_->showNotice(GuiText("MainWnd/Recorder"), soundWarningText(source, warning, true));
    });
    // A Wayland run that could not record says why, and the window stops.
    connect(&recorder_, &RecordController::notice, this, [this](const QString& key, const QString& file) {
        if (recorder_.recording())
            stop(false);
        const QString text = lines(key.toLatin1().constData());
        notify_(GuiText("MainWnd/Recorder"), file.isEmpty() ? text : text.arg(QDir::toNativeSeparators(file)));
    });
    connect(&hotkeys_, &HotkeyListener::pressed, this, [this](int action) {
        if (action == HotkeyListener::StartStop)
            toggle(false);
        else if (action == HotkeyListener::PauseResume)
            togglePause();
    });
    connect(&recovery_, &TakeRecovery::finished, this, [this](const QStringList& saved, const QStringList& kept) {
        if (!saved.isEmpty())
            notify_(GuiText("MainWnd/Recorder"), lines("Messages/MSG1026").arg(saved.join(QLatin1Char('\n'))));
        if (!kept.isEmpty())
            notify_(GuiText("MainWnd/Recorder"), lines("Messages/MSG1027").arg(kept.join(QLatin1Char('\n'))));
    });
}

void RecordingFront::finishLeftTakes(const QString& folder)
{
    if (!folder.isEmpty())
        recovery_.check(folder.toStdString(), soundTitles());
}

void RecordingFront::attach()
{
    platform::prepareAudioCapture();
    recorder_.attachWorker();
    recording::PrepareEncoders();
    recorder_.resetCounters();
}

void RecordingFront::setPage(RecordPage* page)
{
    page_ = page;
    page->showPaused(recorder_.paused());
    discovery_.start();
    screens_ = recording::ScreensToOffer();
    capture_ = settings::ReadCaptureChoice(settingsPath_.toStdString());
    page->showCaptureChoices(screens_, capture_);
    connect(page, &RecordPage::captureChosen, this, &RecordingFront::captureChosen);
    page->showCountdown(settings::ReadCountdownSeconds(settingsPath_.toStdString()));
    if (!hotkeysHeld_)
        holdHotkeys();
    page->showSeparateTracks(settings::ReadSeparateTracks(settingsPath_.toStdString()));
    connect(page, &RecordPage::separateTracksChosen, this, [this](bool separate) {
        if (!settingsPath_.isEmpty())
            settings::StoreSeparateTracks(settingsPath_.toStdString(), separate);
        makeEncoderReady();
    });
    // A new page starts out of view; the meters keep what they showed.
    watch_.setPageShown(page->isVisible());
    connect(page, &RecordPage::shownChanged, &watch_, &SoundWatch::setPageShown);
    for (const int source : {SoundWatch::ComputerSound, SoundWatch::Microphone})
        page->showReading(source, watch_.reading(static_cast<SoundWatch::Source>(source)));
    connect(page, &RecordPage::audioIndexChanged, this, &RecordingFront::soundChosen);
    soundChosen();
    connect(page, &RecordPage::countdownChosen, this, [this](int seconds) {
        if (!settingsPath_.isEmpty())
            settings::StoreCountdownSeconds(settingsPath_.toStdString(), seconds);
    });
}

void RecordingFront::holdHotkeys()
{
    hotkeysHeld_ = true;
    const std::string path = settingsPath_.toStdString();
    // In HotkeyListener's Action order, each with the message that says
    // another program holds it.
    const std::vector<std::string> keys = {settings::ReadRecordHotkey(path), settings::ReadPauseHotkey(path)};
    const char* const heldElsewhere[] = {"Messages/MSG1028", "Messages/MSG1030"};
    const std::vector<bool> held =
        hotkeys_.hold(keys, {ui::withoutColon(GuiText("MainWnd/HotkeyStartStop")),
                             ui::withoutColon(GuiText("MainWnd/HotkeyPauseResume"))});
    // A key another program holds is said at once, never left dead; a key
    // set to None is simply not held.
    for (std::size_t i = 0; i < held.size() && i < keys.size(); ++i)
        if (!held[i] && keys[i] != settings::kNoHotkey)
            notify_(GuiText("MainWnd/Recorder"), lines(heldElsewhere[i]).arg(QString::fromStdString(keys[i])));
}

void RecordingFront::captureChosen()
{
    CaptureChoice choice = page_->selectedCapture();
    if (choice.kind == CaptureKind::Area || choice.kind == CaptureKind::Window) {
        const platform::ScreenArea& last = capture_.area;
        AreaPicker picker(choice.kind == CaptureKind::Area ? AreaPicker::Mode::Area : AreaPicker::Mode::Window,
                          capture_.kind == CaptureKind::Area ? QRect(last.x, last.y, last.width, last.height) : QRect(),
                          platform::currentDesktop().display);
        const auto picked = picker.pick();
        if (!picked) {
            // Cancelled: the choice stays as it was.
            page_->showCaptureChoices(screens_, capture_);
            return;
        }
        choice.area = picked->area;
        choice.window = picked->id;
    }
    capture_ = choice;
    page_->showCaptureChoices(screens_, capture_);
    if (!settingsPath_.isEmpty())
        settings::StoreCaptureChoice(settingsPath_.toStdString(), capture_);
    makeEncoderReady();
}

void RecordingFront::soundChosen()
{
    if (page_)
        watch_.choose(page_->audioMode(), deviceSlots_.computerSound(), deviceSlots_.microphone());
    makeEncoderReady();
}

void RecordingFront::audioFound(const platform::AudioSources& found)
{
    deviceSlots_.assign(found);
    if (page_)
        page_->showAudioChoices(found); // which tells the meters
    if (std::exchange(startWhenAudioKnown_, false) && !recorder_.recording())
        start();
    else
        makeEncoderReady();
}

void RecordingFront::toggle(bool fromRecordButton)
{
    // A second press during the countdown cancels it: nothing is recorded.
    if (countdown_) {
        countdown_->cancel();
        return;
    }
    if (recorder_.recording())
        stop(fromRecordButton);
    else
        start();
}

void RecordingFront::togglePause()
{
    if (!recorder_.recording())
        return;
    if (recorder_.paused())
        recorder_.resume();
    else
        recorder_.pause();
    const bool paused = recorder_.paused();
    if (page_)
        page_->showPaused(paused);
    tray_->showPaused(paused);
    tick();
}

QRect RecordingFront::countdownArea() const
{
    if (const auto part = PartAtStart(capture_, platform::currentDesktop().display))
        return QRect(part->x, part->y, part->width, part->height);
    return QGuiApplication::primaryScreen()->geometry();
}

RecordChoices RecordingFront::currentChoices() const
{
    RecordChoices choices;
    choices.audioMode = page_->audioMode();
    choices.computerSound = deviceSlots_.computerSound();
    choices.microphone = deviceSlots_.microphone();
    choices.saveFolder = page_->saveDirEdit()->text().toStdString();
    choices.capture = capture_;
    choices.separateTracks = page_->separateTracks();
    auto titles = soundTitles();
    choices.computerSoundTitle = std::move(titles.computer);
    choices.microphoneTitle = std::move(titles.microphone);
    choices.computerSoundCapture = watch_.capture(SoundWatch::ComputerSound);
    choices.microphoneCapture = watch_.capture(SoundWatch::Microphone);
    return choices;
}

void RecordingFront::makeEncoderReady()
{
    if (page_ && discovery_.found() && !recorder_.recording())
        recorder_.makeReady(recording::RecordSettingsFromChoices(currentChoices(), platform::currentDesktop().display));
}

void RecordingFront::startRun()
{
    recorder_.start(recording::RecordSettingsFromChoices(currentChoices(), platform::currentDesktop().display));
}

void RecordingFront::start()
{
    if (!discovery_.found()) {
        startWhenAudioKnown_ = true;
        return;
    }
    // A folder the system cannot take whole is refused, never cut.
    if (!settings::SaveFolderFits(page_->saveDirEdit()->text().toStdString())) {
        notify_(GuiText("MainWnd/Recorder"),
                GuiText("Messages/MSG1020").arg(static_cast<qulonglong>(platform::maxFolderPathChars())));
        return;
    }
    if (const int seconds = page_->countdownSeconds(); seconds > 0) {
        CountdownOverlay overlay;
        countdown_ = &overlay;
        const bool ran = overlay.run(seconds, countdownArea());
        countdown_ = nullptr;
        if (!ran || !page_ || recorder_.recording())
            return;
    }
    timer_->stop();
    page_->showRecording(true);
    tray_->showStarted();
    timer_->start(200);
    recorder_.setSettingsPath(settingsPath_.toStdString());
    // Before the run takes the captures: a start by hotkey finds none open.
    watch_.setRecording(true);
    startRun();
    if (WindowAwayOnStart(QSystemTrayIcon::isSystemTrayAvailable()) == WindowAway::Hidden)
        window_->hide();
    else
        window_->showMinimized();
}

void RecordingFront::stop(bool fromRecordButton)
{
    recorder_.stop();
    watch_.setRecording(false);
    page_->showRecording(false);
    tray_->showStopped();
    timer_->stop();
    QThread::msleep(100);
    window_->setWindowTitle(GuiText("MainWnd/FreeProductName"));
    // A window minimised for want of a tray comes back as it was before.
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->show();
    if (fromRecordButton && recorder_.recordError == RecordController::RecordError::LowDisk)
        notify_(GuiText("MainWnd/Recorder"), GuiText("Messages/MSG1017"));
    if (fromRecordButton && recorder_.recordError == RecordController::RecordError::NoFile) {
        QString text = GuiText("Messages/MSG1024").replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        notify_(GuiText("MainWnd/Recorder"),
                text.replace(QStringLiteral("%1"), QString::fromStdString(recorder_.lastEncoderLine())));
    }
    recorder_.recordError = RecordController::RecordError::None;
    // Once the take is finished: starting an encoder costs a moment of the
    // processor that the finishing encoder should have.
    QTimer::singleShot(kReadyAfterStopMs, this, &RecordingFront::makeEncoderReady);
}

void RecordingFront::tick()
{
    const RecordTickResult tick = recorder_.tick(GuiText("MainWnd/Paused").toStdString());
    tray_->setImage(tick.trayImage);
    page_->setStatusText(QString::fromStdString(tick.statusText));
    const RecordWindowTick away =
        RecordWindowOnTick(GuiText("MainWnd/FreeProductName").toStdString(), tick.elapsedSeconds,
                           QSystemTrayIcon::isSystemTrayAvailable(), window_->isHidden());
    window_->setWindowTitle(QString::fromStdString(away.title));
    if (away.minimise)
        window_->showMinimized();
    switch (tick.action) {
    case RecordTickResult::Action::None:
        break;
    case RecordTickResult::Action::RestartWithoutSound:
        // The chosen sound device could not be opened: record without sound
        // instead. The new start stops the old run.
        page_->chooseNoSound();
        startRun();
        break;
    case RecordTickResult::Action::StopNoFile:
    case RecordTickResult::Action::StopForLowDisk:
        stop(true);
        break;
    }
}

void RecordingFront::shutdown(int waitMs)
{
    recovery_.stop();
    recorder_.shutdown();
    recorder_.waitForRun(waitMs);
    timer_->stop();
}

} // namespace ui
