#include "ui/drui.h"

#include "encoder/record_run.h"
#include "encoder/shutdown.h"
#include "encoder/tool.h"
#include "i18n/language_config.h"
#include "platform/audio_sources.h"
#include "settings/save_folder.h"
#include "audio/audio_combo.h"
#include "ui/folder_picker.h"
#include "ui/styles.h"
#include "ui/window_drag.h"
#include "util/files.h"
#include "util/format.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString text(const char* key) { return CLanguageConfig::Instance()->GetText(key); }

} // namespace

DRUI::DRUI(QWidget* parent, Qt::WindowFlags flags) : QMainWindow(parent, flags)
{
    setObjectName(QStringLiteral("DRUIClass"));
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);
    central->setStyleSheet(ui::kWindowBackground);
    setWindowTitle(text("MainWnd/FreeProductName"));
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
}

DRUI::~DRUI()
{
    g_recording = false;
    // The encoders get "q" and a moment to finish their files; what still
    // runs after that is ended by force.
    EndOurEncoders();
    if (m_recordTimer) {
        m_recordTimer->stop();
        delete m_recordTimer;
        m_recordTimer = nullptr;
    }
    if (m_player) {
        m_player->kill();
        m_player->waitForFinished(1000);
        delete m_player;
        m_player = nullptr;
    }
}

void DRUI::initUi(bool firstTime)
{
    if (firstTime) {
        platform::prepareAudioCapture();
        EnsureToolFolder();
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

void DRUI::fillRecordingsTable(QTableWidget*, const QString&)
{
    // Listing a folder's recordings arrives with the recordings tables.
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
    // The tray icon is set up here once the recording controller exists.
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
        if (m_player) {
            m_player->write("quit\n");
            disconnect(m_player, &QProcess::readyReadStandardOutput, this, &DRUI::mplayerDataRecieve);
            m_player->kill();
            m_player->waitForFinished(1000);
            delete m_player;
            m_player = nullptr;
        }
        m_playerFile.clear();
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
    settings::StoreSaveFolder(m_settingsPath.toStdString(), folder.toStdString());
    std::uint64_t freeBytes = 0;
    GetDriveFreeSpace(folder.toStdString(), freeBytes);
    freeSpaceLabel->setText(QString::fromStdString(FormatSize(static_cast<std::int64_t>(freeBytes))));
}

void DRUI::btnSlotLayout3Dir()
{
    const QString folder = PickFolder(this);
    if (folder.isNull())
        return;
    cutDirEdit->setText(folder);
    fillRecordingsTable(cutTable, folder);
    addButton->setEnabled(false);
}

void DRUI::btnSlotLayout4Dir()
{
    const QString folder = PickFolder(this);
    if (folder.isNull())
        return;
    mergeDirEdit->setText(folder);
    fillRecordingsTable(sourceTable, folder);
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

// Slots whose behaviour arrives with its subsystem: the recordings tables,
// the player, cut and merge, the menus and the recording controller.
void DRUI::btnAddSlot() {}
void DRUI::btnUpSlot() {}
void DRUI::btnDownSlot() {}
void DRUI::btnDelSlot() {}
void DRUI::btnSlotLayout4Merge() {}
void DRUI::btnSlotLayout3Cut() {}
void DRUI::mplayerDataRecieve() {}
void DRUI::current(int) {}
void DRUI::btnOpenUrl(QString) {}
void DRUI::SetMenuStatus(QAction*) {}
void DRUI::btnMenButtonSlot() {}
void DRUI::btnHelpSlot() {}
void DRUI::btnSupportSlot() {}
void DRUI::btnAboutSlot() {}
void DRUI::btnLayout3Play() {}
void DRUI::btnSetHead() {}
void DRUI::btnSetTail() {}
void DRUI::btnSlotRecord() {}
void DRUI::btnSlotMenuStop() {}
void DRUI::btnSlotMenuPause() {}
void DRUI::btnSlotMenuQuit() {}
void DRUI::TargetTableItemClick(QTableWidgetItem*) {}
void DRUI::SourceTableItemClick(QTableWidgetItem*) {}
void DRUI::SourceTableItemDoubleClick(QTableWidgetItem*) {}
void DRUI::CutTableItemClick(QTableWidgetItem*) {}
void DRUI::CutTableItemDoubleClick(QTableWidgetItem*) {}
void DRUI::trayiconActivated(QSystemTrayIcon::ActivationReason) {}
void DRUI::doTimerRec() {}
