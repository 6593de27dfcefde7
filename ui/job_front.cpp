#include "ui/job_front.h"

#include "editing/exact_cut.h"
#include "editing/join_question.h"
#include "media/media_match.h"
#include "encoder/runner.h"
#include "editing/stream_ops.h"
#include "i18n/language_config.h"
#include "ui/folder_picker.h"
#include "ui/message_box.h"
#include "ui/scan_ui.h"

#include <QEventLoop>

#include <memory>
#include <optional>

using editing::JobKind;
using editing::JobRunner;
using editing::JoinQuestionText;
using editing::CutExactly;
using editing::CutJob;
using media::JoinPlan;
using media::MediaProbe;
using editing::MergeFiles;
using editing::MergeJob;
using editing::MergeProgress;
using media::PlanJoin;
using media::ProbeMedia;
using encoder::RunEnded;

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
    quitting_ = true;
    runner_.stopAll();
    if (reading_)
        reading_->quit();
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
    std::vector<MediaProbe> probes;
    if (folder.isNull() || !confirmConversions(paths, probes))
        return;
    // Full paths: the job needs no folder of its own. The parts were read
    // for the question; the job does not read them again.
    runWithDialog(JobKind::Merge,
                  [job = MergeJob{paths, std::string(), std::move(probes)}, folder = folder.toStdString()](
                      const JobRunner::Notify& notify, std::stop_token stop, std::string& why) {
                      MergeProgress progress;
                      return MergeFiles(folder, job, progress, notify, &why, stop);
                  });
}

bool JobFront::confirmConversions(const std::vector<std::string>& paths, std::vector<MediaProbe>& probes)
{
    if (reading_)
        return false; // the last Merge is still reading its parts
    // Written on the worker before its last report, read here after it.
    auto plan = std::make_shared<std::optional<JoinPlan>>();
    auto read = std::make_shared<std::vector<MediaProbe>>();
    QEventLoop loop;
    const int id = runner_.start(
        JobKind::Merge, [paths, plan, read](const JobRunner::Notify& notify, std::stop_token stop, std::string&) {
            std::vector<MediaProbe>& probes = *read;
            for (const std::string& path : paths) {
                if (stop.stop_requested())
                    break;
                probes.push_back(ProbeMedia(path));
                if (!probes.back().readable)
                    break;
            }
            if (probes.size() == paths.size() && probes.back().readable)
                *plan = PlanJoin(probes);
            notify(100, {}, {}, RunEnded);
            return RunEnded;
        });
    const QMetaObject::Connection done =
        connect(&runner_, &JobRunner::progress, &loop, [&loop, id](int job, int, int percent) {
            if (job == id && percent == 100)
                loop.quit();
        });
    reading_ = &loop;
    loop.exec();
    reading_ = nullptr;
    disconnect(done);
    if (quitting_)
        return false;
    probes = std::move(*read);
    if (!*plan || !(*plan)->converts())
        return true;

    const std::string text =
        JoinQuestionText(paths, **plan, [](const char* key) { return GuiText(key).toStdString(); });
    CMessageBox box;
    box.setGeometry(window_->x() + (window_->width() - 400) / 2, window_->y() + (window_->height() - 150) / 2, 400,
                    150);
    box.InitQuestion(QString::fromStdString(text));
    box.growToFitMessage();
    box.exec();
    return box.GetResult() == 1;
}
