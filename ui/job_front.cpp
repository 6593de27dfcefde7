#include "ui/job_front.h"

#include "encoder/exact_cut.h"
#include "encoder/stream_ops.h"
#include "ui/folder_picker.h"
#include "ui/scan_ui.h"

JobFront::JobFront(QWidget* window, std::function<void(SCANUI&)> connectDialog)
    : QObject(window), window_(window), connectDialog_(std::move(connectDialog))
{
    connect(&runner_, &JobRunner::progress, this, &JobFront::forward);
}

void JobFront::forward(int id, int kind, int percent, const QString& current, const QString& target, int status,
                       const QString& why)
{
    // A stopped job still winding down must not speak to the next one's dialog.
    if (id != shown_)
        return;
    // Before the report that ends the dialog with its notice.
    if (dialog_ && status != 0)
        dialog_->setFailureReason(why);
    if (kind == static_cast<int>(JobKind::Merge))
        emit mergeProgress(percent, current, target, status);
    else
        emit cutProgress(percent, current, target, status);
}

void JobFront::runWithDialog(JobKind kind, JobRunner::Work work)
{
    SCANUI dialog(kind);
    connectDialog_(dialog);
    shown_ = runner_.start(kind, std::move(work));
    dialog_ = &dialog;
    dialog.exec();
    dialog_ = nullptr;
}

void JobFront::quit()
{
    runner_.stopAll();
    // Its own loop would keep the program running after the window closed.
    if (dialog_)
        dialog_->done(QDialog::Rejected);
}

void JobFront::cut(const std::string& recording, std::int64_t startMs, std::int64_t endMs)
{
    const QString folder = PickFolder(window_, cutFolder_);
    cutFolder_ = folder;
    if (folder.isNull())
        return;
    runWithDialog(JobKind::Cut,
                  [job = CutJob{recording, startMs, endMs}, folder = folder.toStdString()](
                      const JobRunner::Notify& notify, std::stop_token stop, std::string& why) {
                      return CutExactly(folder, job, notify, &why, stop);
                  });
}

void JobFront::merge(const std::vector<std::string>& paths)
{
    const QString folder = PickFolder(window_, mergeFolder_);
    mergeFolder_ = folder;
    if (folder.isNull())
        return;
    // Full paths: the job needs no folder of its own.
    runWithDialog(JobKind::Merge,
                  [job = MergeJob{paths, std::string()}, folder = folder.toStdString()](
                      const JobRunner::Notify& notify, std::stop_token stop, std::string& why) {
                      MergeProgress progress;
                      return MergeFiles(folder, job, progress, notify, &why, stop);
                  });
}
