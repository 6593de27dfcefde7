#pragma once
// The window's side of a recording: the record button and the tray start and
// stop it through here, and each tick of the record timer is shown on the
// record page, the tray icon and the window title. The rules themselves live
// in RecordController one layer down.
#include "audio/audio_discovery.h"
#include "audio/device_slots.h"
#include "recording/record_choices.h"
#include "recording/record_controller.h"
#include "recording/hotkey_listener.h"
#include "recording/sound_watch.h"
#include "recording/take_recovery.h"
#include "ui/record_page.h"
#include "util/capture_choice.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>

class QTimer;
class QWidget;

namespace ui {

class CountdownOverlay;
class RecordTray;

class RecordingFront : public QObject {
    Q_OBJECT
public:
    using Notify = std::function<void(const QString& title, const QString& text)>;
    // `window` hides or minimises while recording; `notify` shows a notice.
    RecordingFront(QWidget* window, Notify notify);

    // Once, at start-up: the worker thread and the encoder copy.
    void attach();
    // The record page of the latest rebuild; the sound devices are
    // discovered anew for it.
    void setPage(RecordPage* page);
    void setSettingsPath(const QString& path) { settingsPath_ = path; }
    // Finishes the takes a crash or a power cut left in `folder`, and says
    // what was saved; at start-up and whenever the save folder changes.
    void finishLeftTakes(const QString& folder);
    // Takes the hotkeys the settings name (again), and says so when another
    // program holds one.
    void holdHotkeys();
    // False on a desktop where no hotkey can be taken.
    bool hotkeysAvailable() const { return hotkeys_.available(); }
    recording::HotkeyListener& hotkeys() { return hotkeys_; }

    bool recording() const { return recorder_.recording(); }
    // Starts, or stops; only a stop from the record button reports why the
    // recording stopped by itself before.
    void toggle(bool fromRecordButton);
    // Pauses a running recording, or resumes a paused one; nothing otherwise.
    void togglePause();
    void tick();
    // Every run asked to stop, an ignoring encoder ended by force.
    void shutdown(int waitMs);

    recording::RecordController& recorder() { return recorder_; }
    RecordTray& tray() { return *tray_; }
    QTimer* timer() const { return timer_; }
    audio::DeviceSlots& deviceSlots() { return deviceSlots_; }
    audio::AudioDiscovery& audioDiscovery() { return discovery_; }
    recording::SoundWatch& soundWatch() { return watch_; }

private:
    // A start asked before the first discovery has ended waits for it: the
    // choice of sound is not known before.
    void start();
    void audioFound(const platform::AudioSources& found);
    // The user chose what to record; an area or a window is picked on the
    // overlay, and kept only when the pick is accepted.
    void captureChosen();
    // The page's audio choice, or the devices behind it, changed.
    void soundChosen();
    void stop(bool fromRecordButton);
    recording::RecordChoices currentChoices() const;
    // A run with the choices as they are now; the run before is stopped.
    void startRun();
    // An encoder waits for a run with the choices as they are now, so that
    // Start takes effect at once.
    void makeEncoderReady();
    // Where the countdown shows: over the part about to be recorded.
    QRect countdownArea() const;

    QWidget* window_;
    Notify notify_;
    QPointer<RecordPage> page_;
    QString settingsPath_;
    std::vector<platform::ScreenArea> screens_;
    util::CaptureChoice capture_;
    CountdownOverlay* countdown_ = nullptr; // while one counts
    audio::DeviceSlots deviceSlots_;
    audio::AudioDiscovery discovery_;
    bool startWhenAudioKnown_ = false;
    recording::SoundWatch watch_;
    recording::RecordController recorder_;
    recording::TakeRecovery recovery_;
    recording::HotkeyListener hotkeys_;
    bool hotkeysHeld_ = false;
    RecordTray* tray_;
    QTimer* timer_;
};

} // namespace ui
