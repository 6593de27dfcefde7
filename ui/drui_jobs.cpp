// Cut and merge: the marks taken from the player, and the jobs that run on
// their worker threads while the progress dialog shows them.
#include "ui/drui.h"

#include "encoder/stream_ops.h"
#include "library/recordings_tables.h"
#include "platform/crash_handler.h"
#include "player/player_state.h"
#include "ui/folder_picker.h"
#include "ui/scan_ui.h"
#include "util/format.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// The worker entries: each job starts with the stop flag clear.
int DRUI::CutThreadProc(DRUI* window)
{
    const platform::ThreadCrashGuard crashGuard;
    g_stopJob = false;
    int unused = 0;
    return window->CutVedio(window->m_cutOutputFolder.toStdString(), unused);
}

int DRUI::MergeThreadProc(void* user, void*)
{
    auto* window = static_cast<DRUI*>(user);
    g_stopJob = false;
    return window->MergeFiles(window->m_mergeOutputFolder.toStdString());
}

void DRUI::btnSetHead()
{
    m_startMark = LeadingInteger(m_playerState.positionText());
    headLabel->setText(QString::fromStdString(FormatDuration(m_startMark)));
    tailButton->setEnabled(true);
}

void DRUI::btnSetTail()
{
    m_endMark = LeadingInteger(m_playerState.positionText());
    tailLabel->setText(QString::fromStdString(FormatDuration(m_endMark)));
    cutButton->setEnabled(true);
}

int DRUI::CutVedio(const std::string& outputFolder, int&)
{
    const CutJob job{selectedCutFile.toStdString(), m_startMark, m_endMark};
    return CutStretch(outputFolder, job, [this](int percent, const std::string& current, const std::string& target,
                                                int status) {
        emit CutProcessCallBack(percent, QString::fromStdString(current), QString::fromStdString(target), status);
    });
}

int DRUI::MergeFiles(const std::string& outputFolder)
{
    return ::MergeFiles(outputFolder, {m_mergeList, m_mergeFolder}, m_mergeProgress,
                        [this](int percent, const std::string& current, const std::string& target, int status) {
                            emit AddProcessCallBack(percent, QString::fromStdString(current), QString::fromStdString(target), status);
                        });
}

void DRUI::waitForJobs()
{
    if (m_cutThread.joinable())
        m_cutThread.join();
    m_mergeWorker.wait();
}

void DRUI::btnSlotLayout3Cut()
{
    const QString folder = PickFolder(this, m_cutOutputFolder);
    m_cutOutputFolder = folder;
    if (folder.isNull())
        return;
    // A job stopped or failed before still finishing: it ends on its own
    // (the stop flag is set) and must not share the flag with this one.
    waitForJobs();

    SCANUI dialog;
    dialog.ConnectSignals(this);
    m_cutThread = std::thread(CutThreadProc, this);
    dialog.exec();
}

void DRUI::btnSlotLayout4Merge()
{
    const QString folder = PickFolder(this, m_mergeOutputFolder);
    m_mergeOutputFolder = folder;
    m_mergeList.clear();
    if (folder.isNull())
        return;
    waitForJobs();
    m_mergeList = tableNames(targetTable);
    m_mergeFolder = mergeDirEdit->text().toStdString();

    SCANUI dialog;
    dialog.ConnectSignals(this);
    m_mergeWorker.SetCallback(MergeThreadProc, this);
    m_mergeWorker.start(QThread::InheritPriority);
    dialog.exec();
}
