#pragma once
// The main window: a frameless, fixed 1000 x 600 window with four pages
// (home, record, cut, merge) in a stacked layout. Every user action arrives
// as a slot here and is handed over to a page or to the part that owns it:
// the recording front (runs, ticks, tray), the player session (the cut
// page's player and marks) and the job front (cuts and merges).
#include "editing/cut_exactness.h"
#include "library/duration_cache.h"
#include "library/merge_list.h"
#include "player/player_session.h"
#include "ui/job_front.h"
#include "ui/record_tray.h"
#include "ui/recording_front.h"

#include <QMainWindow>
#include <QString>
#include <QSystemTrayIcon>

#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QLineEdit;
class QStackedLayout;
class QTableWidget;
class QTableWidgetItem;
class QTimer;

namespace ui {

class CutPage;
class HomePage;
class MergePage;
class RecordPage;
class TitleBand;

class DRUI : public QMainWindow {
    Q_OBJECT
public:
    explicit DRUI(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    // Shutdown: every run and job is asked to stop, and the window waits for
    // them within the time that ends an encoder ignoring the stop.
    ~DRUI() override;

    // Builds the four pages, the page stack and the record timer; the home
    // page becomes current. firstTime: the one-time start-up work runs too.
    void initUi(bool firstTime);

    // The pages, rebuilt by initUi(): never keep one, or a widget of one,
    // across it.
    HomePage* homePage() const { return m_home; }
    RecordPage* recordPage() const { return m_record; }
    CutPage* cutPage() const { return m_cut; }
    MergePage* mergePage() const { return m_merge; }
    QStackedLayout* pageStack() const { return m_pageStack; }

    const QString& settingsPath() const { return m_settingsPath; }
    // Points the window at another ScreenRecord.ini before initUi(), so that
    // windows under test never share the program folder's file.
    void setSettingsPath(const QString& path) { m_settingsPath = path; }
    QTimer* recordTimer() const { return m_recording->timer(); }
    audio::DeviceSlots& deviceSlots() { return m_recording->deviceSlots(); }
    // The sound devices, found off the interface thread at start-up and on
    // every rebuild; the record page's choices fill when they arrive.
    audio::AudioDiscovery& audioDiscovery() { return m_recording->audioDiscovery(); }
    recording::RecordController& recorder() { return m_recording->recorder(); }
    RecordTray& tray() { return m_recording->tray(); }
    RecordingFront& recordingFront() { return *m_recording; }
    player::PlayerSession& playerSession() { return m_player; }
    // The player of the cut page: null while none runs.
    platform::ChildProcess* player() const { return m_player.process(); }
    const player::PlayerState& playerState() const { return m_player.playerState(); }
    std::int64_t startMark() const { return m_player.startMark(); }
    std::int64_t endMark() const { return m_player.endMark(); }
    const library::MergeList& mergeList() const;
    // Waits up to `ms` for the cut and merge jobs to end; true when none is
    // left. For tests: the window's slots never wait for a job.
    bool waitForJobs(int ms = 60000);
    // Shows the window's notices; replaceable where no one can press OK.
    std::function<void(QWidget* parent, const QString& title, const QString& text)> showNotice;

signals:
    void AddProcessCallBack(int nProcess, QString strCurMergeName, QString strTargetName, int nRet);
    void CutProcessCallBack(int nProcess, QString strCurMergeName, QString strTargetName, int nRet);

public slots:
    void btnMinSlot();
    void btnCloseSlot();
    void btnSlot();
    void btnEditSlot();
    void btnMontageSlot();
    void btnAddSlot();
    void btnSlotBack();
    void btnSlotRecord();
    void btnSlotLayout4Dir();
    void btnSlotLayout4Merge();
    void btnSlotLayout3Dir();
    void btnSlotLayout3Cut();
    void btnSlotLayout2Dir();
    void btnUpSlot();
    void btnDownSlot();
    void btnDelSlot();
    void current(int position);
    void SetMenuStatus(QAction* action);
    void btnHelpSlot();
    // The hotkey dialog; what it stores is taken at once.
    void btnHotkeysSlot();
    void btnSupportSlot();
    void btnAboutSlot();
    void btnLayout3Play();
    void btnSetHead();
    void btnSetTail();
    void btnSlotMenuStop();
    void btnSlotMenuPause();
    void btnSlotMenuQuit();
    void TargetTableItemClick(QTableWidgetItem* item);
    void SourceTableItemClick(QTableWidgetItem* item);
    void SourceTableItemDoubleClick(QTableWidgetItem* item);
    void CutTableItemClick(QTableWidgetItem* item);
    void CutTableItemDoubleClick(QTableWidgetItem* item);
    void trayiconActivated(QSystemTrayIcon::ActivationReason reason);
    void ComBoxIndexChange(int index);
    // Asks the job that the progress dialog shows to stop.
    void stopShownJob();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createPages();
    void connectBand(TitleBand* band);
    void connectPlayer();
    // Lists the recordings of `folder` in the cut or the source table.
    void listCutFolder(const QString& folder);
    void listMergeFolder(const QString& folder);
    // The cut and merge folder buttons: a new folder, listed.
    void chooseListedFolder(QLineEdit* field, bool cut);

    QString m_settingsPath;
    HomePage* m_home = nullptr;
    RecordPage* m_record = nullptr;
    CutPage* m_cut = nullptr;
    MergePage* m_merge = nullptr;
    QStackedLayout* m_pageStack = nullptr;
    // Lengths of the recordings listed so far, kept in the user's cache folder.
    std::shared_ptr<library::DurationCache> m_durations =
        std::make_shared<library::DurationCache>(library::DefaultDurationCacheFile());
    RecordingFront* m_recording = nullptr;
    player::PlayerSession m_player;
    editing::CutExactness m_exactness;
    JobFront* m_jobs = nullptr;
};

} // namespace ui
