// One file: every slot the window's signals reach lands here and is handed
// straight on to a page or a front, a line or two each; split by page, the
// names the connections use would be spread over files that hold no logic.
#include "ui/drui.h"

#include "i18n/language_config.h"
#include "library/length_probe.h"
#include "library/recordings_listing.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "recording/encoder_lifetime.h"
#include "settings/save_folder.h"
#include "settings/web_links.h"
#include "ui/bands.h"
#include "ui/cut_page.h"
#include "ui/folder_picker.h"
#include "ui/home_page.h"
#include "ui/hotkey_dialog.h"
#include "ui/merge_page.h"
#include "ui/page_opener.h"
#include "ui/record_page.h"
#include "ui/recordings_tables.h"
#include "ui/scan_ui.h"
#include "ui/styles.h"
#include "ui/window_drag.h"
#include "util/format.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

using editing::CutExactness;
using i18n::CLanguageConfig;
using i18n::GuiText;
using library::MergeList;
using library::RecordingPath;
using player::PlayerSession;
using util::FormatDurationMs;

namespace ui {

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
    m_recording =
        new RecordingFront(this, [this](const QString& title, const QString& text) { showNotice(this, title, text); });
    m_jobs = new JobFront(this, [this](SCANUI& dialog) { dialog.ConnectSignals(this); });
    connect(&m_jobs->session(), &editing::JobSession::mergeProgress, this, &DRUI::AddProcessCallBack);
    connect(&m_jobs->session(), &editing::JobSession::cutProgress, this, &DRUI::CutProcessCallBack);
    RecordTray* tray = &m_recording->tray();
    connect(tray, &RecordTray::pauseTriggered, this, &DRUI::btnSlotMenuPause);
    connect(tray, &RecordTray::stopTriggered, this, &DRUI::btnSlotMenuStop);
    connect(tray, &RecordTray::quitTriggered, this, &DRUI::btnSlotMenuQuit);
    connect(tray, &RecordTray::activated, this, &DRUI::trayiconActivated);
    connectPlayer();
    showNotice = [](QWidget* parent, const QString& title, const QString& message) {
        QMessageBox::information(parent, title, message, QMessageBox::Ok);
    };
}

DRUI::~DRUI()
{
    // Every run and job is asked to stop; an encoder that ignores "q" is
    // ended by force, so none of these waits is unbounded.
    m_jobs->stopAll();
    m_recording->shutdown(recording::QuitWaitMs());
    m_jobs->waitUntilIdle(recording::QuitWaitMs());
    recording::EndEncodersAtQuit();
    m_player.end();
}

void DRUI::initUi(bool firstTime)
{
    // The web site's pages follow the language the texts come from.
    settings::updateWebLinks(CLanguageConfig::Instance()->configPath().toStdString());
    // The player draws into the cut page, which is about to be made anew.
    m_player.end();
    if (firstTime)
        m_recording->attach();
    createPages();
    if (firstTime)
        m_recording->finishLeftTakes(QString::fromStdString(settings::ReadSaveFolder(m_settingsPath.toStdString())));
}

void DRUI::createPages()
{
    const int w = width();
    const QString folder = QString::fromStdString(settings::ReadSaveFolder(m_settingsPath.toStdString()));
    for (QWidget* old : std::initializer_list<QWidget*>{m_home, m_record, m_cut, m_merge})
        delete old;
    m_home = new HomePage(this, w);
    m_record = new RecordPage(this, w, folder, m_recording->audioDiscovery().found(), m_recording->recording());
    m_recording->setSettingsPath(m_settingsPath);
    m_recording->setPage(m_record);
    m_cut = new CutPage(this, w, folder, m_durations);
    m_merge = new MergePage(this, w, folder, m_durations, library::ProbeRecordingLength);
    for (TitleBand* band : {m_home->titleBand(), m_record->titleBand(), m_cut->titleBand(), m_merge->titleBand()})
        connectBand(band);

    connect(m_home, &HomePage::recordClicked, this, &DRUI::btnSlot);
    connect(m_home, &HomePage::mergeClicked, this, &DRUI::btnEditSlot);
    connect(m_home, &HomePage::cutClicked, this, &DRUI::btnMontageSlot);

    connect(m_record, &RecordPage::backClicked, this, &DRUI::btnSlotBack);
    connect(m_record, &RecordPage::recordClicked, this, &DRUI::btnSlotRecord);
    connect(m_record, &RecordPage::pauseClicked, this, &DRUI::btnSlotMenuPause);
    connect(m_record, &RecordPage::folderClicked, this, &DRUI::btnSlotLayout2Dir);
    connect(m_record, &RecordPage::audioIndexChanged, this, &DRUI::ComBoxIndexChange);

    connect(m_cut, &CutPage::backClicked, this, &DRUI::btnSlotBack);
    connect(m_cut, &CutPage::folderClicked, this, &DRUI::btnSlotLayout3Dir);
    connect(m_cut, &CutPage::folderEdited, this, &DRUI::listCutFolder);
    connect(m_cut, &CutPage::tableClicked, this, &DRUI::CutTableItemClick);
    connect(m_cut, &CutPage::tableDoubleClicked, this, &DRUI::CutTableItemDoubleClick);
    connect(m_cut, &CutPage::playClicked, this, &DRUI::btnLayout3Play);
    connect(m_cut, &CutPage::startMarkClicked, this, &DRUI::btnSetHead);
    connect(m_cut, &CutPage::endMarkClicked, this, &DRUI::btnSetTail);
    connect(m_cut, &CutPage::cutClicked, this, &DRUI::btnSlotLayout3Cut);
    connect(m_cut, &CutPage::sliderMoved, this, &DRUI::current);
    connect(m_cut, &CutPage::stepClicked, &m_player, &PlayerSession::stepFrame);
    connect(&m_exactness, &CutExactness::checked, m_cut, [this](bool exact) { m_cut->showKeyframeCutNote(!exact); });

    connect(m_merge, &MergePage::backClicked, this, &DRUI::btnSlotBack);
    connect(m_merge, &MergePage::folderClicked, this, &DRUI::btnSlotLayout4Dir);
    connect(m_merge, &MergePage::folderEdited, this, &DRUI::listMergeFolder);
    connect(m_merge, &MergePage::sourceClicked, this, &DRUI::SourceTableItemClick);
    connect(m_merge, &MergePage::sourceDoubleClicked, this, &DRUI::SourceTableItemDoubleClick);
    connect(m_merge, &MergePage::targetClicked, this, &DRUI::TargetTableItemClick);
    connect(m_merge, &MergePage::addClicked, this, &DRUI::btnAddSlot);
    connect(m_merge, &MergePage::upClicked, this, &DRUI::btnUpSlot);
    connect(m_merge, &MergePage::downClicked, this, &DRUI::btnDownSlot);
    connect(m_merge, &MergePage::deleteClicked, this, &DRUI::btnDelSlot);
    connect(m_merge, &MergePage::mergeClicked, this, &DRUI::btnSlotLayout4Merge);

    if (!m_pageStack) {
        m_pageStack = new QStackedLayout;
        auto* box = new QVBoxLayout;
        box->addLayout(m_pageStack);
        box->setSpacing(0);
        box->setContentsMargins(0, 0, 0, 0);
        centralWidget()->setLayout(box);
    }
    for (QWidget* page : std::initializer_list<QWidget*>{m_home, m_record, m_cut, m_merge})
        m_pageStack->addWidget(page);
    m_pageStack->setCurrentIndex(0);
}

void DRUI::connectBand(TitleBand* band)
{
    connect(band, &TitleBand::closeClicked, this, &DRUI::btnCloseSlot);
    connect(band, &TitleBand::minimizeClicked, this, &DRUI::btnMinSlot);
    connect(band, &TitleBand::menuTriggered, this, &DRUI::SetMenuStatus);
}

void DRUI::keyPressEvent(QKeyEvent* event)
{
    // A frameless window with no other way out must not vanish on Escape.
    if (event->key() == Qt::Key_Escape)
        return;
    QWidget::keyPressEvent(event);
}

void DRUI::closeEvent(QCloseEvent* event) { event->accept(); }

// Title bands and menus --------------------------------------------------------

void DRUI::btnMinSlot() { showMinimized(); }

void DRUI::btnCloseSlot() { close(); }

void DRUI::SetMenuStatus(QAction* action)
{
    const QString key = action->data().toString();
    if (key == QLatin1String("Help")) {
        btnHelpSlot();
    } else if (key == QLatin1String("Support")) {
        btnSupportSlot();
    } else if (key == QLatin1String("Hotkeys")) {
        btnHotkeysSlot();
    } else if (!CLanguageConfig::Instance()->SetLanguage(key)) {
        showNotice(this, GuiText("MainWnd/Recorder"),
                   GuiText("Messages/MSG1019").arg(CLanguageConfig::Instance()->configPath()));
    } else {
        // Rebuilt, web links included, once the menu that asked has finished
        // with its signal: the rebuild deletes that menu.
        QTimer::singleShot(0, this, [this] { initUi(false); });
    }
}

void DRUI::btnHotkeysSlot()
{
    HotkeyDialog dialog(this, m_settingsPath, m_recording->hotkeysAvailable());
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!dialog.stored())
        showNotice(this, GuiText("MainWnd/Recorder"), GuiText("Messages/MSG1031").arg(m_settingsPath));
    // At once: the keys held so far give way to the new ones.
    m_recording->holdHotkeys();
}

void DRUI::btnHelpSlot() { OpenPage(QString::fromStdString(settings::webLinks().help)); }

void DRUI::btnSupportSlot() { OpenPage(QString::fromStdString(settings::webLinks().support)); }

void DRUI::btnAboutSlot() { OpenPage(QString::fromStdString(settings::webLinks().about)); }

// Navigation and folders -------------------------------------------------------

void DRUI::btnSlot()
{
    m_recording->tray().build(m_recording->recording());
    if (m_recording->recording())
        m_recording->tray().showPaused(m_recording->recorder().paused());
    m_pageStack->setCurrentIndex(1);
}

void DRUI::btnEditSlot()
{
    listMergeFolder(m_merge->mergeDirEdit()->text());
    m_pageStack->setCurrentIndex(3);
}

void DRUI::btnMontageSlot()
{
    listCutFolder(m_cut->cutDirEdit()->text());
    m_pageStack->setCurrentIndex(2);
    btnLayout3Play();
}

void DRUI::btnSlotBack()
{
    if (m_pageStack->currentIndex() == 2) {
        m_player.end();
        m_cut->showPosition(0, {});
    }
    m_pageStack->setCurrentIndex(0);
}

void DRUI::listCutFolder(const QString& folder) { m_cut->list(folder); }

void DRUI::listMergeFolder(const QString& folder) { m_merge->list(folder); }

void DRUI::btnSlotLayout2Dir()
{
    const QString folder = PickFolder(this);
    if (folder.isNull())
        return;
    m_record->showSaveFolder(folder);
    if (folder.isEmpty())
        return;
    if (!settings::StoreSaveFolder(m_settingsPath.toStdString(), folder.toStdString()))
        showNotice(this, GuiText("MainWnd/Recorder"), GuiText("Messages/MSG1018").arg(m_settingsPath));
    m_recording->finishLeftTakes(folder);
}

void DRUI::btnSlotLayout3Dir() { chooseListedFolder(m_cut->cutDirEdit(), true); }

void DRUI::btnSlotLayout4Dir() { chooseListedFolder(m_merge->mergeDirEdit(), false); }

void DRUI::chooseListedFolder(QLineEdit* field, bool cut)
{
    const QString folder = PickFolder(this);
    if (folder.isNull())
        return;
    field->setText(folder);
    if (cut)
        listCutFolder(folder);
    else
        listMergeFolder(folder);
    m_merge->addButton()->setEnabled(false);
}

// Recording ---------------------------------------------------------------------

void DRUI::ComBoxIndexChange(int)
{
    // Nothing to keep: a recording reads the chosen entry when it starts.
}

void DRUI::btnSlotRecord() { m_recording->toggle(true); }

void DRUI::btnSlotMenuStop() { m_recording->toggle(false); }

void DRUI::btnSlotMenuPause() { m_recording->togglePause(); }

void DRUI::btnSlotMenuQuit()
{
    if (m_recording->recording())
        btnSlotMenuStop();
    m_jobs->quit();
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

// The cut page's player and marks --------------------------------------------------

void DRUI::connectPlayer()
{
    connect(&m_player, &PlayerSession::stateChanged, this,
            [this](PlayerSession::State state) { m_cut->showPlaying(state == PlayerSession::State::Playing); });
    connect(&m_player, &PlayerSession::positionChanged, this, [this] {
        m_cut->showPosition(m_player.playerState().sliderValue(),
                            QString::fromStdString(m_player.playerState().label()));
    });
    connect(&m_player, &PlayerSession::lengthKnown, this, [this] {
        m_cut->showLength(m_player.playerState().sliderMaximum(),
                          QString::fromStdString(m_player.playerState().label()));
    });
    connect(&m_player, &PlayerSession::marksCleared, this, [this] {
        m_cut->clearMarks();
        m_exactness.check(m_player.chosen());
    });
}

void DRUI::btnLayout3Play() { m_player.togglePlay(m_cut->videoLabel()->winId()); }

void DRUI::current(int position) { m_player.seek(position); }

void DRUI::btnSetHead()
{
    m_player.setStartMark();
    m_cut->showStartMark(QString::fromStdString(FormatDurationMs(m_player.startMark())));
}

void DRUI::btnSetTail()
{
    m_player.setEndMark();
    m_cut->showEndMark(QString::fromStdString(FormatDurationMs(m_player.endMark())));
}

void DRUI::CutTableItemClick(QTableWidgetItem*)
{
    const std::string name = m_cut->selectedName();
    if (!name.empty())
        m_player.choose(RecordingPath(m_cut->cutDirEdit()->text().toStdString(), name));
    m_cut->playButton()->setEnabled(!name.empty());
}

void DRUI::CutTableItemDoubleClick(QTableWidgetItem*) { btnLayout3Play(); }

// The merge list -------------------------------------------------------------------

void DRUI::SourceTableItemClick(QTableWidgetItem*) { m_merge->followFolderChoice(); }

void DRUI::SourceTableItemDoubleClick(QTableWidgetItem*) { btnAddSlot(); }

void DRUI::btnAddSlot() { m_merge->addChosen(); }

void DRUI::TargetTableItemClick(QTableWidgetItem*) { m_merge->followListChoice(); }

void DRUI::btnUpSlot() { m_merge->moveChosen(-1); }

void DRUI::btnDownSlot() { m_merge->moveChosen(1); }

void DRUI::btnDelSlot() { m_merge->removeChosen(); }

// Cut and merge jobs ------------------------------------------------------------------

void DRUI::stopShownJob() { m_jobs->stopShown(); }

bool DRUI::waitForJobs(int ms) { return m_jobs->waitUntilIdle(ms); }

const MergeList& DRUI::mergeList() const { return m_merge->mergeList(); }

void DRUI::btnSlotLayout3Cut() { m_jobs->cut(m_player.chosen(), m_player.startMark(), m_player.endMark()); }

void DRUI::btnSlotLayout4Merge() { m_jobs->merge(m_merge->mergeList().paths()); }

} // namespace ui
