#include "ui/drui.h"

#include "audio/audio_combo.h"
#include "encoder/record_run.h"
#include "encoder/shutdown.h"
#include "encoder/stream_ops.h"
#include "encoder/tool.h"
#include "i18n/language_config.h"
#include "platform/audio_sources.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "recording/record_tick.h"
#include "recording/record_window.h"
#include "settings/save_folder.h"
#include "settings/web_links.h"
#include "ui/folder_picker.h"
#include "ui/styles.h"
#include "ui/window_drag.h"
#include "util/files.h"
#include "util/format.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStackedLayout>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

QString freeSpaceText(const QString& folder)
{
    std::uint64_t freeBytes = 0; // a failed query shows as 0 bytes
    GetDriveFreeSpace(folder.toStdString(), freeBytes);
    return QString::fromStdString(FormatSize(static_cast<std::int64_t>(freeBytes)));
}

DRUI::DRUI(QWidget* parent, Qt::WindowFlags flags) : QMainWindow(parent, flags)
{
    setObjectName(QStringLiteral("DRUIClass"));
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);
    central->setStyleSheet(ui::kWindowBackground);
    setWindowTitle(GuiText("MainWnd/FreeProductName"));
    setWindowFlags(Qt::FramelessWindowHint);
    new WindowDrag(this);
    setFixedSize(1000, 600);
    resize(1000, 600);
    // Centred on the whole desktop: with two screens side by side it opens
    // across the middle of both.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->virtualGeometry();
        move(desktop.x() + (desktop.width() - 1000) / 2, desktop.y() + (desktop.height() - 600) / 2);
    }
    m_settingsPath = QString::fromStdString(settings::SettingsFilePath());
    m_tray = new RecordTray(this);
    connect(m_tray, &RecordTray::pauseTriggered, this, &DRUI::btnSlotMenuPause);
    connect(m_tray, &RecordTray::stopTriggered, this, &DRUI::btnSlotMenuStop);
    connect(m_tray, &RecordTray::quitTriggered, this, &DRUI::btnSlotMenuQuit);
    connect(m_tray, &RecordTray::activated, this, &DRUI::trayiconActivated);
    showNotice = [](QWidget* parent, const QString& title, const QString& message) {
        QMessageBox::information(parent, title, message, QMessageBox::Ok);
    };
}

DRUI::~DRUI()
{
    // A cut or merge still running finishes its step and ends.
    g_stopJob = true;
    m_recorder.stop();
    // The recording run finishes its file on "q"; only an encoder that
    // ignores it is ended by force, and then the run ends too.
    if (!m_recorder.waitForRun(kShutdownGraceMs)) {
        EndOurEncoders(0);
        m_recorder.waitForRun(3000);
    }
    EndOurEncoders();
    waitForJobs();
    if (m_recordTimer) {
        m_recordTimer->stop();
        delete m_recordTimer;
        m_recordTimer = nullptr;
    }
    endPlayer();
}

void DRUI::initUi(bool firstTime)
{
    // The web site's pages follow the language the texts come from.
    settings::updateWebLinks(CLanguageConfig::Instance()->configPath().toStdString());
    // The player draws into the cut page, which is about to be made anew.
    endPlayer();
    if (firstTime) {
        platform::prepareAudioCapture();
        m_recorder.attachWorker();
        // A Wayland run that could not record says why, and the window stops.
        connect(&m_recorder, &RecordController::notice, this, [this](const QString& key) {
            if (m_recorder.recording())
                stopRecording(false);
            showNotice(this, GuiText("MainWnd/Recorder"), GuiText(key.toLatin1().constData()));
        });
        EnsureToolFolder();
        m_recorder.resetCounters();
    }
    createHomePage();
    createRecordPage();
    createCutPage();
    createMergePage();

    if (!pageStack)
        pageStack = new QStackedLayout;
    for (QWidget* page : {homePage, recordPage, cutPage, mergePage})
        pageStack->addWidget(page);
    pageStack->setCurrentIndex(0);

    if (!m_pageBox) {
        m_pageBox = new QVBoxLayout;
        m_pageBox->addLayout(pageStack);
        m_pageBox->setSpacing(0);
        m_pageBox->setContentsMargins(0, 0, 0, 0);
        centralWidget()->setLayout(m_pageBox);
    }

    // One timer for the window's whole life: a rebuild during a recording
    // must not lose the running count.
    if (!m_recordTimer) {
        m_recordTimer = new QTimer(this);
        connect(m_recordTimer, &QTimer::timeout, this, &DRUI::doTimerRec);
    }

    cutDirEdit->installEventFilter(this);
    mergeDirEdit->installEventFilter(this);
}

// Title bar -----------------------------------------------------------------

void DRUI::btnMinSlot() { showMinimized(); }

void DRUI::btnMaxSlot()
{
    // The window has one fixed size; nothing reaches this slot.
}

void DRUI::btnCloseSlot() { close(); }

// Navigation ------------------------------------------------------------------

void DRUI::btnSlot()
{
    m_tray->build(m_recorder.recording());
    pageStack->setCurrentIndex(1);
}

void DRUI::btnEditSlot()
{
    fillRecordingsTable(sourceTable, mergeDirEdit->text());
    sourceTable->resizeColumnsToContents();
    pageStack->setCurrentIndex(3);
}

void DRUI::btnMontageSlot()
{
    fillRecordingsTable(cutTable, cutDirEdit->text());
    cutTable->resizeColumnsToContents();
    pageStack->setCurrentIndex(2);
    m_playerFile.clear();
    btnLayout3Play();
}

void DRUI::btnSlotBack()
{
    if (pageStack->currentIndex() == 2) {
        if (m_player)
            m_player->write("quit\n");
        endPlayer();
        positionSlider->setValue(0);
    }
    pageStack->setCurrentIndex(0);
}

// Folder buttons --------------------------------------------------------------

void DRUI::btnSlotLayout2Dir()
{
    const QString folder = PickFolder(this);
    if (folder.isNull())
        return;
    saveDirEdit->setText(folder);
    if (saveDirEdit->text().isEmpty())
        return;
    if (!settings::StoreSaveFolder(m_settingsPath.toStdString(), folder.toStdString()))
        showNotice(this, GuiText("MainWnd/Recorder"), GuiText("Messages/MSG1018").arg(m_settingsPath));
    freeSpaceLabel->setText(freeSpaceText(folder));
}

void DRUI::btnSlotLayout3Dir() { chooseListedFolder(cutDirEdit, cutTable); }

void DRUI::btnSlotLayout4Dir() { chooseListedFolder(mergeDirEdit, sourceTable); }

void DRUI::chooseListedFolder(QLineEdit* field, QTableWidget* table)
{
    const QString folder = PickFolder(this);
    if (folder.isNull())
        return;
    field->setText(folder);
    fillRecordingsTable(table, folder);
    addButton->setEnabled(false);
}

// Events ----------------------------------------------------------------------

bool DRUI::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && (watched == mergeDirEdit || watched == cutDirEdit)) {
        auto* edit = static_cast<QLineEdit*>(watched);
        if (!edit->text().isEmpty())
            fillRecordingsTable(watched == mergeDirEdit ? sourceTable : cutTable, edit->text());
        addButton->setEnabled(false);
    }
    return QObject::eventFilter(watched, event);
}

void DRUI::keyPressEvent(QKeyEvent* event)
{
    // A frameless window with no other way out must not vanish on Escape.
    if (event->key() == Qt::Key_Escape)
        return;
    QWidget::keyPressEvent(event);
}

void DRUI::paintEvent(QPaintEvent*) {}

void DRUI::closeEvent(QCloseEvent* event) { event->accept(); }

// Audio -----------------------------------------------------------------------

void DRUI::ComBoxIndexChange(int index)
{
    if (audioCombo)
        audio::applyAudioComboIndex(*audioCombo, index);
}

// Recording -------------------------------------------------------------------

RecordSettings DRUI::currentRecordSettings() const
{
    RecordSettings settings;
    settings.sources.audioMode =
        audio::audioModeOfEntry(*audioCombo, audioCombo->currentIndex()).value_or(RecordSources{}.audioMode);
    settings.sources.computerSound = m_deviceSlots.computerSound();
    settings.sources.microphone = m_deviceSlots.microphone();
    settings.saveFolder = saveDirEdit->text().toStdString();
    return settings;
}

void DRUI::startRecording()
{
    // A folder the system cannot take whole is refused, never cut.
    if (!settings::SaveFolderFits(saveDirEdit->text().toStdString())) {
        showNotice(this, GuiText("MainWnd/Recorder"),
                   GuiText("Messages/MSG1020").arg(static_cast<qulonglong>(platform::maxFolderPathChars())));
        return;
    }
    m_recordTimer->stop();
    recordButton->setText(GuiText("MainWnd/Stop"));
    m_tray->showStarted();
    m_recordTimer->start(200);
    recordTimeLabel->show();
    m_recorder.setSettingsPath(m_settingsPath.toStdString());
    m_recorder.start(currentRecordSettings());
    if (WindowAwayOnStart(QSystemTrayIcon::isSystemTrayAvailable()) == WindowAway::Hidden)
        hide();
    else
        showMinimized();
}

void DRUI::stopRecording(bool fromRecordButton)
{
    recordTimeLabel->hide();
    m_recorder.stop();
    recordButton->setText(GuiText("MainWnd/Start"));
    m_tray->showStopped();
    m_recordTimer->stop();
    QThread::msleep(100);
    setWindowTitle(GuiText("MainWnd/FreeProductName"));
    // A window minimised for want of a tray comes back as it was before.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    if (fromRecordButton && m_recorder.recordError == RecordController::kLowDiskError) {
        showNotice(this, GuiText("MainWnd/Recorder"), GuiText("Messages/MSG1017"));
        m_recorder.recordError = 0;
    }
}

void DRUI::btnSlotRecord()
{
    if (m_recorder.recording())
        stopRecording(true);
    else
        startRecording();
}

void DRUI::btnSlotMenuStop()
{
    if (m_recorder.recording())
        stopRecording(false);
    else
        startRecording();
}

void DRUI::btnSlotMenuPause()
{
    // Its entry is never enabled: a recording cannot pause.
}

void DRUI::btnSlotMenuQuit()
{
    if (m_recorder.recording())
        btnSlotMenuStop();
    close();
}

void DRUI::trayiconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger) {
        showNormal();
        raise();
        activateWindow();
    }
}

void DRUI::doTimerRec()
{
    m_tray->setImage(NextBlink(m_recorder.blinkCounter()));
    const std::uint64_t elapsed = m_recorder.elapsedSeconds();
    const RecordWindowTick away = RecordWindowOnTick(GuiText("MainWnd/FreeProductName").toStdString(), elapsed,
                                                     QSystemTrayIcon::isSystemTrayAvailable(), isHidden());
    setWindowTitle(QString::fromStdString(away.title));
    if (away.minimise)
        showMinimized();
    std::string path = CurrentOutputPath();
    // The encoder wrote nothing: the chosen sound device could not be opened.
    // Record without sound instead.
    if (NeedsSoundlessRestart(elapsed, path, platform::fileExists(path))) {
        btnSlotRecord();
        m_recorder.restartClock();
        audioCombo->setCurrentIndex(audioCombo->count() - 1);
        btnSlotRecord();
        path = CurrentOutputPath();
    }
    recordTimeLabel->setText(QString::fromStdString(RecordStatusText(elapsed, platform::fileSize(path))));

    std::uint64_t freeBytes = 0;
    m_recorder.freeSpace(saveDirEdit->text().toStdString(), freeBytes);
    if (freeBytes < kMinFreeBytes && m_recorder.recording()) {
        m_recorder.recordError = RecordController::kLowDiskError;
        btnSlotRecord();
    }
}
