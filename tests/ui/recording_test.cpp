// Recording through the real window, with the real ffmpeg, X server and
// PulseAudio of the test session.
#include "ui/drui.h"

#include "recording/record_run.h"
#include "i18n/language_config.h"
#include "platform/audio_sources.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/live_children.h"
#include "platform/process_info.h"
#include "resources/resources.h"
#include "recording/hotkey_listener.h"
#include "settings/capture_setting.h"
#include "ui/folder_picker.h"
#include "ui/sound_meter.h"

#include "../support/test_support.h"
#include "test_app.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QAction>
#include <QCheckBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTime>
#include <QTimer>

#include <functional>

#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>

using i18n::GuiText;
using recording::HotkeyListener;
using recording::RecordController;
using ui::DRUI;
using ui::SetFolderPicker;
using util::AreaText;
using util::CaptureChoice;
using util::CaptureKind;

using namespace testing_support;

namespace {

class RecordingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = openTestWindow(save.file("ScreenRecord.ini"));
        ASSERT_TRUE(window->isVisible());
        // The save folder is chosen as a user would, with the folder button.
        const QString folder = QString::fromStdString(save.path().string());
        SetFolderPicker([folder](QWidget*) { return folder; });
        window->btnSlotLayout2Dir();
        window->showNotice = [this](QWidget*, const QString& title, const QString& message) {
            notices.push_back(title + "|" + message);
        };
        window->btnSlot(); // to the record page: builds the tray icon
    }
    void TearDown() override
    {
        SetFolderPicker({});
        window.reset();
        EXPECT_EQ(platform::liveChildCount(), 0);
    }
    // Lets the event loop run, as the user waits.
    void wait(int ms) { QTest::qWait(ms); }
    void expectRecordingState(bool recording)
    {
        // Away while recording: minimised, as no tray host runs on the test screen.
        EXPECT_EQ(window->isMinimized(), recording);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->recordPage()->recordButton()->text(), GuiText(recording ? "MainWnd/Stop" : "MainWnd/Start"));
        EXPECT_EQ(window->recordPage()->recordTimeLabel()->isVisibleTo(window->recordPage()), recording);
        QAction* pause = window->tray().entry(1);
        QAction* toggle = window->tray().entry(2);
        EXPECT_EQ(pause->isEnabled(), recording);
        EXPECT_EQ(pause->text(), GuiText("MainWnd/Pause"));
        EXPECT_EQ(window->recordPage()->pauseButton()->isVisibleTo(window->recordPage()), recording);
        EXPECT_EQ(toggle->text(), GuiText(recording ? "MainWnd/Stop" : "MainWnd/Start"));
        EXPECT_EQ(window->tray().entry(3)->text(), GuiText("MainWnd/Quit"));
        EXPECT_TRUE(window->tray().icon()->isVisible()); // from the first start on
    }
    // Waits until the recording run has finished its file.
    void waitForFile() { ASSERT_TRUE(window->recorder().waitForRun(10000)); }

    TempFolder save;
    std::unique_ptr<DRUI> window;
    std::vector<QString> notices;
};

void expectValidRecording(const std::filesystem::path& file, double seconds)
{
    EXPECT_EQ(probe(file.string(), "stream=codec_name"), "aac\nh264\n") << file;
    const double duration = probeDuration(file.string());
    // The sound server may take up to two seconds to open its monitor.
    EXPECT_GT(duration, seconds - 2.2) << file << " lasts " << duration << "\n"
                                       << probe(file.string(), "stream=codec_name,duration,nb_frames");
    EXPECT_LT(duration, seconds + 1.0) << file;
}

} // namespace

TEST_F(RecordingTest, StartAndStopFromTheRecordPage)
{
    EXPECT_FALSE(window->tray().icon()->isVisible()); // built hidden while idle
    QTest::mouseClick(window->recordPage()->recordButton(), Qt::LeftButton);
    expectRecordingState(true);
    wait(3000);
    EXPECT_TRUE(window->recordPage()->recordTimeLabel()->text().startsWith("Recording... \n\n00:00:0"));
    QTest::mouseClick(window->recordPage()->recordButton(), Qt::LeftButton);
    expectRecordingState(false);
    waitForFile();
    const auto files = recordingsIn(save.path());
    ASSERT_EQ(files.size(), 1u);
    expectValidRecording(files[0], 3);
    EXPECT_TRUE(notices.empty());
}

// The page meters each chosen source for screen readers too, names a
// silent one, lets go of them when it is left, and remembers the
// separate-tracks choice. The test session's sink and microphone are silent.
TEST_F(RecordingTest, MetersOfTheChosenSourcesAndTheRememberedSeparateTracks)
{
    ui::RecordPage* page = window->recordPage();
    QComboBox* audio = page->audioCombo();
    const auto choose = [&](int mode) {
        for (int i = 0; i < audio->count(); ++i)
            if (audio->setCurrentIndex(i), page->audioMode() == mode)
                return;
        FAIL() << "no audio entry of mode " << mode;
    };
    choose(recording::AudioComputerSoundAndMic);
    const char* const names[] = {"MainWnd/ComputerSound", "MainWnd/Mic"};
    for (int source = 0; source < 2; ++source) {
        ui::SoundMeter* meter = page->meter(source);
        ASSERT_TRUE(meter->isVisibleTo(page));
        QAccessibleInterface* read = QAccessible::queryAccessibleInterface(meter);
        EXPECT_EQ(read->text(QAccessible::Name), GuiText(names[source]));
        EXPECT_EQ(read->text(QAccessible::Description), QStringLiteral("-60 dB"));
        ASSERT_TRUE(read->valueInterface());
        EXPECT_EQ(read->valueInterface()->currentValue().toInt(), -60);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return page->soundWarningLabel()->text().contains(GuiText("MainWnd/SilentMic")); },
                                7000))
        << page->soundWarningLabel()->text().toStdString();

    choose(recording::AudioMicrophone);
    EXPECT_FALSE(page->meter(0)->isVisibleTo(page));
    EXPECT_FALSE(page->separateTracksBox()->isEnabled()) << "separate tracks need both sources";
    window->btnSlotBack();
    EXPECT_FALSE(window->recordingFront().soundWatch().capture(recording::SoundWatch::Microphone))
        << "a stream stays open with the page left";

    window->btnSlot();
    choose(recording::AudioComputerSoundAndMic);
    EXPECT_FALSE(page->separateTracksBox()->isChecked());
    QTest::mouseClick(page->separateTracksBox(), Qt::LeftButton, {}, QPoint(5, page->separateTracksBox()->height() / 2));
    ASSERT_TRUE(page->separateTracksBox()->isChecked());
    window.reset();
    window = openTestWindow(save.file("ScreenRecord.ini"));
    EXPECT_TRUE(window->recordPage()->separateTracksBox()->isChecked());
}

// The save folder stays as it is while recording: its button rests. A
// change that comes all the same (a pick begun before a hotkey started the
// recording) runs recovery on the folder under another spelling, which
// leaves the live take to its recorder.
TEST_F(RecordingTest, TheFolderButtonRestsWhileRecordingAndRecoveryLeavesTheLiveTake)
{
    auto* folderButton = window->recordPage()->findChild<QPushButton*>(QStringLiteral("saveFolderButton"));
    ASSERT_NE(folderButton, nullptr);
    EXPECT_TRUE(folderButton->isEnabled());
    QTest::mouseClick(window->recordPage()->recordButton(), Qt::LeftButton);
    EXPECT_FALSE(folderButton->isEnabled());
    wait(2500);
    const QString spelled = QString::fromStdString(save.path().string() + "/./");
    SetFolderPicker([spelled](QWidget*) { return spelled; });
    window->btnSlotLayout2Dir();
    wait(1500);
    QTest::mouseClick(window->recordPage()->recordButton(), Qt::LeftButton);
    EXPECT_TRUE(folderButton->isEnabled());
    waitForFile();
    const auto files = recordingsIn(save.path());
    ASSERT_EQ(files.size(), 1u);
    expectValidRecording(files[0], 4);
    EXPECT_TRUE(notices.empty());
}

// Paused from the tray and resumed from the page: the clock stands still,
// both offer Resume meanwhile, and the file holds the running time alone.
TEST_F(RecordingTest, PauseFromTheTrayResumeFromThePage)
{
    QTest::mouseClick(window->recordPage()->recordButton(), Qt::LeftButton);
    wait(2000);
    window->tray().entry(1)->trigger();
    EXPECT_EQ(window->tray().entry(1)->text(), GuiText("MainWnd/Resume"));
    EXPECT_EQ(window->recordPage()->pauseButton()->text(), GuiText("MainWnd/Resume"));
    const QString stood = window->recordPage()->recordTimeLabel()->text();
    EXPECT_TRUE(stood.startsWith(GuiText("MainWnd/Paused") + "\n\n00:00:0")) << stood.toStdString();
    wait(2500);
    const QString twoLines = QStringLiteral("\n\n");
    EXPECT_EQ(window->recordPage()->recordTimeLabel()->text().section(twoLines, 0, 1), stood.section(twoLines, 0, 1));
    QTest::mouseClick(window->recordPage()->pauseButton(), Qt::LeftButton);
    EXPECT_EQ(window->tray().entry(1)->text(), GuiText("MainWnd/Pause"));
    wait(2000);
    QTest::mouseClick(window->recordPage()->recordButton(), Qt::LeftButton);
    expectRecordingState(false);
    waitForFile();
    const auto files = recordingsIn(save.path());
    ASSERT_EQ(files.size(), 1u);
    const double duration = probeDuration(files[0].string());
    EXPECT_GT(duration, 3.5);
    EXPECT_LT(duration, 4.5);
    EXPECT_TRUE(notices.empty());
}

TEST_F(RecordingTest, StartAndStopFromTheTray)
{
    window->tray().entry(2)->trigger();
    expectRecordingState(true);
    wait(2500);
    window->tray().entry(2)->trigger();
    expectRecordingState(false);
    waitForFile();
    const auto files = recordingsIn(save.path());
    ASSERT_EQ(files.size(), 1u);
    expectValidRecording(files[0], 2.5);
    // A click on the icon brings the window back; a right click does not.
    window->hide();
    window->trayiconActivated(QSystemTrayIcon::Context);
    EXPECT_TRUE(window->isHidden());
    window->trayiconActivated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(window->isHidden());
}

TEST_F(RecordingTest, QuitWhileRecordingLeavesAValidFile)
{
    window->btnSlotRecord();
    wait(2500);
    window->tray().entry(3)->trigger();
    EXPECT_FALSE(window->recorder().recording());
    window.reset(); // the destructor waits for the file
    const auto files = recordingsIn(save.path());
    ASSERT_EQ(files.size(), 1u);
    expectValidRecording(files[0], 2.5);
    window = std::make_unique<DRUI>(); // for TearDown
}

TEST_F(RecordingTest, StartRightAfterAStopRecordsASecondFile)
{
    // Without sound: a sound server's monitor may take a second or two to
    // open, which would blur how long each file is.
    window->recordPage()->audioCombo()->setCurrentIndex(window->recordPage()->audioCombo()->count() - 1);
    window->btnSlotRecord();
    wait(2000);
    window->btnSlotRecord();
    // The first run is still finishing its file: this start must not be lost.
    window->btnSlotRecord();
    EXPECT_TRUE(window->recorder().busy());
    wait(2500);
    window->btnSlotRecord();
    waitForFile();
    const auto files = recordingsIn(save.path());
    ASSERT_EQ(files.size(), 2u);
    for (const auto& file : files) {
        EXPECT_EQ(probe(file.string(), "stream=codec_name"), "h264\n") << file;
        EXPECT_GT(probeDuration(file.string()), 1.5) << file;
    }
}

TEST_F(RecordingTest, UnopenableMicrophoneFallsBackToNoSound)
{
    window->deviceSlots().assign({"spk.monitor", "no-such-microphone", true, true});
    window->recordPage()->audioCombo()->setCurrentIndex(2); // the microphone entry
    ASSERT_EQ(window->recordPage()->audioCombo()->currentData().toUInt(), 1u);
    window->btnSlotRecord();
    const std::string missing = window->recorder().outputPath();
    // More than three seconds without a file: the recording starts again,
    // without sound.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return window->recordPage()->audioCombo()->currentIndex()
                == window->recordPage()->audioCombo()->count() - 1;
        },
        8000));
    EXPECT_TRUE(window->isMinimized());
    EXPECT_TRUE(window->recorder().recording());
    wait(2500);
    window->btnSlotRecord();
    waitForFile();
    const auto files = recordingsIn(save.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(probe(files[0].string(), "stream=codec_name"), "h264\n");
    EXPECT_NE(files[0].string(), missing);
}

TEST_F(RecordingTest, LowDiskStopsWithinOneTickAndTellsOnce)
{
    window->recorder().freeSpace = [](const std::string&, std::uint64_t& bytes) {
        bytes = 10485759; // one byte short of 10 MiB
        return 0;
    };
    window->btnSlotRecord();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->recorder().recording(); }, 1000));
    expectRecordingState(false);
    wait(600); // more ticks would tell again if the timer still ran
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], GuiText("MainWnd/Recorder") + "|" + GuiText("Messages/MSG1017"));
    EXPECT_EQ(window->recorder().recordError, RecordController::RecordError::None);
    waitForFile();
}

// A save folder that cannot be made: one restart without sound, then the
// recording stops for good and says what the encoder said.
TEST_F(RecordingTest, NoFileEvenWithoutSoundStopsOnceAndSaysWhy)
{
    writeFile(save.file("plain"), "a file, not a folder");
    window->recordPage()->saveDirEdit()->setText(QString::fromStdString(save.file("plain") + "/sub"));
    window->btnSlotRecord();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->recorder().recording(); }, 15000));
    wait(600);
    EXPECT_FALSE(window->recorder().recording());
    EXPECT_FALSE(window->isMinimized());
    ASSERT_EQ(notices.size(), 1u);
    const QString text = GuiText("Messages/MSG1024").replace("\\n", "\n");
    const QString said = GuiText("MainWnd/Recorder") + "|" + text.left(text.indexOf("%1"));
    EXPECT_TRUE(notices[0].startsWith(said)) << notices[0].toStdString();
    EXPECT_GT(notices[0].size(), said.size()) << "the encoder's words are missing";
}

TEST_F(RecordingTest, RebuildDuringARecordingKeepsCounting)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    window->btnSlotRecord();
    wait(1200);
    window->initUi(false);
    EXPECT_EQ(window->recordPage()->recordButton()->text(), GuiText("MainWnd/Stop"));
    EXPECT_TRUE(window->recordPage()->recordTimeLabel()->isVisibleTo(window->recordPage()));
    EXPECT_TRUE(window->recordTimer()->isActive());
    wait(1300);
    // Counted from the start, not from the rebuild; a loaded machine may make
    // the rebuild itself slow, so the bound follows the clock.
    const QString label = window->recordPage()->recordTimeLabel()->text();
    const int shown = QTime::fromString(label.section('\n', 2, 2), "hh:mm:ss").msecsSinceStartOfDay() / 1000;
    EXPECT_GE(shown, 2) << label.toStdString();
    EXPECT_GE(shown, static_cast<int>(sinceStart.elapsed() / 1000) - 1) << label.toStdString();
    window->btnSlotRecord();
    waitForFile();
}

// A discovery held by the test stands in for a sound server slow to answer.
TEST(RecordingBeforeDiscovery, StartWaitsForTheSoundDevicesWithoutBlockingThenRecordsWithTheFirstChoice_FakeServerSlow)
{
    ensureTestApp();
    TempFolder save;
    std::mutex gate;
    std::condition_variable changed;
    bool open = false;
    auto window = std::make_unique<DRUI>();
    window->setSettingsPath(QString::fromStdString(save.file("ScreenRecord.ini")));
    window->audioDiscovery().setDiscover([&] {
        std::unique_lock lock(gate);
        changed.wait(lock, [&] { return open; });
        return platform::discoverAudioSources();
    });
    window->initUi(true);
    window->show();
    const QString folder = QString::fromStdString(save.path().string());
    SetFolderPicker([folder](QWidget*) { return folder; });
    window->btnSlotLayout2Dir();
    window->btnSlot();
    EXPECT_EQ(window->recordPage()->audioCombo()->count(), 1) << "\"None\" alone until the devices are known";

    window->btnSlotRecord(); // returns at once: the discovery is held
    EXPECT_FALSE(window->recorder().recording());
    {
        const std::lock_guard lock(gate);
        open = true;
    }
    changed.notify_all();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->recorder().recording(); }, 10000));
    EXPECT_GT(window->recordPage()->audioCombo()->count(), 1);
    EXPECT_EQ(window->recordPage()->audioCombo()->currentIndex(), 0);
    EXPECT_FALSE(window->deviceSlots().microphone().empty());
    QTest::qWait(1500);
    window->btnSlotRecord();
    ASSERT_TRUE(window->recorder().waitForRun(10000));
    EXPECT_EQ(recordingsIn(save.path()).size(), 1u);
    SetFolderPicker({});
    window.reset();
    EXPECT_EQ(platform::liveChildCount(), 0);
}

// Quit while a recording, a merge and the merge page's length probes all
// run: every child ends within 3 s, the take is kept, the merge leaves nothing.
TEST_F(RecordingTest, QuitUnderLoadEndsEveryChildKeepsTheTakeAndRemovesTheMerge)
{
    TempFolder sources;
    ASSERT_EQ(makeRecording(sources.file("clip.mp4"), 20), "");
    // Files that only the probe reads: transport streams named as recordings.
    ASSERT_EQ(runAndCapture("ffmpeg -v error -i " + platform::quoteArgument(sources.file("clip.mp4"))
                            + " -codec copy -f mpegts " + platform::quoteArgument(sources.file("stream.ts"))),
              "");
    for (int i = 0; i < 24; ++i)
        std::filesystem::copy_file(sources.file("stream.ts"), sources.file("probe " + std::to_string(i) + ".mp4"));

    QElapsedTimer recording;
    recording.start();
    window->btnSlotRecord();
    wait(2500);
    window->mergePage()->mergeDirEdit()->setText(QString::fromStdString(sources.path().string()));
    window->btnEditSlot(); // the page lists the folder and reads the lengths behind
    ASSERT_TRUE(waitForListing(*window));
    const auto rows = window->mergePage()->sourceTable()->findItems("clip.mp4", Qt::MatchExactly);
    ASSERT_EQ(rows.size(), 1);
    for (int i = 0; i < 30; ++i) {
        window->mergePage()->sourceTable()->selectRow(rows.first()->row());
        window->btnAddSlot();
    }
    // Quit from the tray while the merge's progress dialog is up, at a moment
    // when one of the merge's children runs beside the encoder: the merge
    // starts them one after another, so a fixed moment may fall between two.
    int running = -1;
    double recorded = 0;
    QElapsedTimer quitting;
    QElapsedTimer merging;
    merging.start();
    QTimer quitter;
    QObject::connect(&quitter, &QTimer::timeout, [&] {
        running = platform::liveChildCount();
        if (running < 2 && merging.elapsed() < 5000)
            return;
        quitter.stop();
        recorded = recording.elapsed() / 1000.0;
        quitting.start();
        window->tray().entry(3)->trigger();
    });
    quitter.start(5);
    // Whatever is still shown long after the quit would keep the program alive.
    std::vector<QString> leftOpen;
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (quitting.isValid() && quitting.elapsed() > 3000)
            if (QWidget* modal = QApplication::activeModalWidget()) {
                leftOpen.push_back(modal->metaObject()->className());
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    dialog->done(QDialog::Rejected);
            }
    });
    guard.start(100);
    window->btnSlotLayout4Merge();
    window.reset();
    guard.stop();
    while (static_cast<int>(platform::childProcessIds().size()) > 0 && quitting.elapsed() < 5000)
        QTest::qSleep(10);
    const qint64 ms = quitting.elapsed();
    EXPECT_TRUE(leftOpen.empty()) << leftOpen.front().toStdString();
    EXPECT_LT(ms, 3000) << running << " children of ours ran at the quit";
    EXPECT_EQ(static_cast<int>(platform::childProcessIds().size()), 0);
    EXPECT_EQ(platform::liveChildCount(), 0);
    EXPECT_GE(running, 2) << "the encoder and the merge";

    const auto files = recordingsIn(save.path());
    ASSERT_EQ(files.size(), 1u); // the take, and no merge
    expectValidRecording(files[0], recorded);
    for (const auto& e : std::filesystem::directory_iterator(save.path()))
        EXPECT_TRUE(e.path().extension() == ".mp4" || e.path().extension() == ".ini") << e.path();
    window = std::make_unique<DRUI>(); // for TearDown
}

namespace {

// Acts on the picker overlay once it is up, from inside its wait.
void onPicker(const std::function<void(QWidget*)>& act)
{
    QTimer::singleShot(300, [act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("areaPicker") && w->isVisible()) {
                act(w);
                return;
            }
    });
}

} // namespace

// An area dragged on the overlay is what the page then offers, is kept in
// the settings, and is what gets recorded; Esc changes nothing.
TEST_F(RecordingTest, AnAreaDraggedOnTheOverlayIsRecordedAndEscChangesNothing)
{
    QComboBox* what = window->recordPage()->captureCombo();
    const int area = what->findData(static_cast<int>(CaptureKind::Area));
    ASSERT_GE(area, 0);
    onPicker([](QWidget* picker) {
        QTest::mousePress(picker, Qt::LeftButton, {}, QPoint(101, 61));
        QTest::mouseMove(picker, QPoint(300, 200));
        QTest::mouseMove(picker, QPoint(422, 262));
        QTest::mouseRelease(picker, Qt::LeftButton, {}, QPoint(422, 262));
        // The bottom edge taken and pulled down by 20.
        QTest::mousePress(picker, Qt::LeftButton, {}, QPoint(250, 262));
        QTest::mouseMove(picker, QPoint(250, 282));
        QTest::mouseRelease(picker, Qt::LeftButton, {}, QPoint(250, 282));
        QTest::keyClick(picker, Qt::Key_Return);
    });
    what->setCurrentIndex(area);
    emit what->activated(area);
    EXPECT_EQ(what->currentText(), GuiText("MainWnd/ChosenArea").arg(321).arg(221).arg(101).arg(61));
    const CaptureChoice stored = settings::ReadCaptureChoice(window->settingsPath().toStdString());
    EXPECT_EQ(stored.kind, CaptureKind::Area);
    EXPECT_EQ(AreaText(stored.area), "101,61,321,221");

    onPicker([](QWidget* picker) {
        QTest::mousePress(picker, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseMove(picker, QPoint(50, 50));
        QTest::keyClick(picker, Qt::Key_Escape);
    });
    const int windowEntry = what->findData(static_cast<int>(CaptureKind::Window));
    what->setCurrentIndex(windowEntry);
    emit what->activated(windowEntry);
    EXPECT_EQ(what->currentText(), GuiText("MainWnd/ChosenArea").arg(321).arg(221).arg(101).arg(61));
    EXPECT_EQ(AreaText(settings::ReadCaptureChoice(window->settingsPath().toStdString()).area), "101,61,321,221");

    window->btnSlotRecord();
    wait(2000);
    window->btnSlotRecord();
    waitForFile();
    const auto files = recordingsIn(save.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(probe(files[0].string(), "stream=width,height", "-select_streams v"), "320,220\n");
}

// The countdown: Esc cancels it and nothing is recorded; run out, the
// recording starts, and a press during it cancels it as well.
TEST_F(RecordingTest, CountdownCancelledRecordsNothingAndRunOutStarts)
{
    QComboBox* countdown = window->recordPage()->countdownCombo();
    countdown->setCurrentIndex(countdown->findData(3));
    emit countdown->activated(countdown->currentIndex());
    EXPECT_EQ(settings::ReadCountdownSeconds(window->settingsPath().toStdString()), 3);

    QWidget* shown = nullptr;
    QTimer::singleShot(1500, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("countdown") && w->isVisible())
                shown = w;
        if (shown)
            QTest::keyClick(shown, Qt::Key_Escape);
    });
    window->btnSlotRecord();
    ASSERT_TRUE(shown);
    EXPECT_FALSE(window->recorder().recording());
    EXPECT_TRUE(recordingsIn(save.path()).empty());

    QTimer::singleShot(1200, [&] { window->btnSlotRecord(); }); // the Start button again: cancels
    window->btnSlotRecord();
    EXPECT_FALSE(window->recorder().recording());

    QElapsedTimer clock;
    clock.start();
    window->btnSlotRecord();
    EXPECT_GE(clock.elapsed(), 2900);
    EXPECT_TRUE(window->recorder().recording());
    wait(1500);
    window->btnSlotRecord();
    waitForFile();
    EXPECT_EQ(recordingsIn(save.path()).size(), 1u);
}

// The start/stop hotkey works while another window has the focus, the
// pause key reaches the pause toggle, and a key another program holds is
// said at once, with the message of its own action.
TEST_F(RecordingTest, TheHotkeyStartsAndStopsFromAnotherWindowAndAHeldKeyIsSaid)
{
    const std::string settingsFile = window->settingsPath().toStdString();
    settings::StoreRecordHotkey(settingsFile, "Ctrl+Shift+F7");
    settings::StorePauseHotkey(settingsFile, "Ctrl+Shift+F10");
    window->recordingFront().holdHotkeys();
    QSignalSpy presses(&window->recordingFront().hotkeys(), &HotkeyListener::pressed);
    QWidget other;
    other.setWindowTitle(QStringLiteral("another program"));
    other.show();
    other.activateWindow();
    wait(300);
    runAndCapture("xdotool key ctrl+shift+F7");
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->recorder().recording(); }, 5000));
    wait(2000);
    runAndCapture("xdotool key ctrl+shift+F7");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->recorder().recording(); }, 5000));
    waitForFile();
    EXPECT_EQ(recordingsIn(save.path()).size(), 1u);
    EXPECT_TRUE(notices.empty());
    runAndCapture("xdotool key ctrl+shift+F10");
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses.size() == 3; }, 5000));
    EXPECT_EQ(presses.last().at(0).toInt(), HotkeyListener::PauseResume);
    EXPECT_FALSE(window->recorder().recording());

    // This window holds the keys now: a second copy of the program cannot.
    HotkeyListener second;
    ASSERT_TRUE(second.available());
    EXPECT_EQ(second.hold({"Ctrl+Shift+F7", "Ctrl+Shift+F8", "Ctrl+Nonsense", "Ctrl+Shift+F10"}),
              (std::vector<bool>{false, true, false, false}));
    settings::StorePauseHotkey(settingsFile, "Ctrl+Shift+F8");
    window->recordingFront().holdHotkeys();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], GuiText("MainWnd/Recorder") + "|" + GuiText("Messages/MSG1030").arg("Ctrl+Shift+F8"));
}
