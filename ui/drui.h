#pragma once
// The main window: a frameless, fixed 1000 x 600 window with four pages
// (home, record, cut, merge) in a stacked layout. Every user action arrives
// as a slot here; a slot hands over to the subsystem that owns the behaviour.
#include "audio/device_slots.h"
#include "player/player_state.h"
#include "encoder/stream_command.h"
#include "library/duration_cache.h"
#include "recording/my_thread.h"
#include "recording/record_controller.h"
#include "recording/record_tray.h"

#include <QMainWindow>
#include <QString>
#include <QSystemTrayIcon>

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProcess;
class QPushButton;
class QSlider;
class QStackedLayout;
class QTableWidget;
class QTableWidgetItem;
class QTimer;
class QVBoxLayout;

// The free-space text of the drive that holds `folder`.
QString freeSpaceText(const QString& folder);

class DRUI : public QMainWindow {
    Q_OBJECT
public:
    explicit DRUI(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    // Shutdown: the recording flag is cleared, our encoders are asked to
    // finish and then ended, the timer and the player stop.
    ~DRUI() override;

    // Builds the four pages, the page stack and the record timer; the home
    // page becomes current. firstTime: the one-time start-up work runs too.
    void initUi(bool firstTime);

    // Widgets that the subsystems and the tests reach. Rebuilt with their
    // pages; never keep one across initUi().
    QWidget* homePage = nullptr;
    QWidget* recordPage = nullptr;
    QWidget* cutPage = nullptr;
    QWidget* mergePage = nullptr;
    QStackedLayout* pageStack = nullptr;
    QPushButton* menuButton = nullptr;
    QMenu* mainMenu = nullptr;
    QLineEdit* saveDirEdit = nullptr;
    QLabel* freeSpaceLabel = nullptr;
    QComboBox* audioCombo = nullptr;
    QLabel* recordTimeLabel = nullptr;
    QPushButton* recordButton = nullptr;
    QLineEdit* cutDirEdit = nullptr;
    QTableWidget* cutTable = nullptr;
    QLabel* videoLabel = nullptr;
    QSlider* positionSlider = nullptr;
    QLabel* positionLabel = nullptr;
    QPushButton* playButton = nullptr;
    QPushButton* headButton = nullptr;
    QPushButton* tailButton = nullptr;
    QPushButton* cutButton = nullptr;
    QLabel* headLabel = nullptr;
    QLabel* tailLabel = nullptr;
    QLineEdit* mergeDirEdit = nullptr;
    QTableWidget* sourceTable = nullptr;
    QTableWidget* targetTable = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* upButton = nullptr;
    QPushButton* downButton = nullptr;
    QPushButton* deleteButton = nullptr;
    QPushButton* mergeButton = nullptr;
    // The recording chosen in the cut table: the one that plays and is cut.
    QString selectedCutFile;

    const QString& settingsPath() const { return m_settingsPath; }
    // Points the window at another ScreenRecord.ini before initUi(), so that
    // windows under test never share the program folder's file.
    void setSettingsPath(const QString& path) { m_settingsPath = path; }
    QTimer* recordTimer() const { return m_recordTimer; }
    audio::DeviceSlots& deviceSlots() { return m_deviceSlots; }
    RecordController& recorder() { return m_recorder; }
    RecordTray& tray() { return *m_tray; }
    // The player of the cut page: null while none runs. Its last position
    // and length, as the marks read them.
    QProcess* player() const { return m_player; }
    const PlayerState& playerState() const { return m_playerState; }
    // The cut marks in whole seconds, and the folders chosen for the last cut
    // and merge.
    std::int64_t startMark() const { return m_startMark; }
    std::int64_t endMark() const { return m_endMark; }
    // Copies the stretch between the marks of selectedCutFile into
    // `outputFolder`, reporting through CutProcessCallBack; runs on the cut
    // thread. Returns the job's status; the second argument is not used.
    int CutVedio(const std::string& outputFolder, int& unused);
    // Joins the merge list into one file in `outputFolder`, reporting through
    // AddProcessCallBack; runs on the merge worker. Returns the status.
    int MergeFiles(const std::string& outputFolder);
    // Waits for a cut or merge still winding down after its dialog closed.
    void waitForJobs();
    // Shows the low-disk notice; replaceable where no one can press OK.
    std::function<void(QWidget* parent, const QString& title, const QString& text)> showNotice;

signals:
    void AddProcessCallBack(int nProcess, QString strCurMergeName, QString strTargetName, int nRet);
    void CutProcessCallBack(int nProcess, QString strCurMergeName, QString strTargetName, int nRet);

public slots:
    void btnMinSlot();
    void btnMaxSlot();
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
    void mplayerDataRecieve();
    void current(int position);
    void btnOpenUrl(QString url);
    void SetMenuStatus(QAction* action);
    void btnMenButtonSlot();
    void btnHelpSlot();
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
    void doTimerRec();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createHomePage();
    void createRecordPage();
    void createCutPage();
    void createMergePage();
    QPushButton* createTitleButton(int kind, int x, QWidget* parent);
    QLabel* createTitleBand(QWidget* page, int logoHeight);
    QLabel* createFooterBand(QWidget* page, bool mergeStyle);
    // The menu button of a title band with the main menu and its language
    // submenu.
    void createMainMenu(QWidget* band);
    // Lists the recordings of `folder` in the cut or the source table.
    void fillRecordingsTable(QTableWidget* table, const QString& folder);
    // The merge list's buttons after its rows or its selection changed.
    void updateMergeButton();
    // Worker entries of a cut (its own thread) and a merge (the merge worker).
    static int CutThreadProc(DRUI* window);
    static int MergeThreadProc(void* user, void* reserved);
    // Ends and forgets the player, if one runs, and the file it played.
    void endPlayer();
    // The play button as playing (it offers Pause) or not.
    void showPlaying(bool playing);
    // The recording's start and stop as the record button and the tray see
    // them; only a stop from the record button reports a low disk.
    void startRecording();
    void stopRecording(bool fromRecordButton);
    RecordSettings currentRecordSettings() const;
    // The cut and merge folder buttons: a new folder for `field`, listed in
    // `table`.
    void chooseListedFolder(QLineEdit* field, QTableWidget* table);

    QString m_settingsPath;
    QTimer* m_recordTimer = nullptr;
    QProcess* m_player = nullptr;
    QString m_playerFile; // what the running player plays; empty after its end
    PlayerState m_playerState;
    std::int64_t m_startMark = 0;
    std::int64_t m_endMark = 0;
    QString m_cutOutputFolder;
    QString m_mergeOutputFolder;
    // What a merge reads on its worker; set before the worker starts.
    std::vector<std::string> m_mergeList;
    std::string m_mergeFolder;
    MergeProgress m_mergeProgress;
    CMyThread m_mergeWorker;
    std::thread m_cutThread;
    DurationCache m_durations; // lengths of the recordings listed so far
    QVBoxLayout* m_pageBox = nullptr;
    audio::DeviceSlots m_deviceSlots;
    RecordController m_recorder;
    RecordTray* m_tray = nullptr;
};
