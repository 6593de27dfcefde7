#include "editing/job_session.h"

#include "editing/cut_job.h"

#include <QEventLoop>

#include <memory>

namespace editing {

JobSession::JobSession(QObject* parent) : QObject(parent)
{
    connect(&runner_, &JobRunner::progress, this, &JobSession::take);
}

void JobSession::take(int id, int kind, int percent, const QString& current, const QString& target, int status,
                      const QString& why)
{
    if (id != shown_)
        return;
    if (status != 0)
        emit failureExplained(why);
    if (kind == static_cast<int>(JobKind::Merge))
        emit mergeProgress(percent, current, target, status);
    else
        emit cutProgress(percent, current, target, status);
}

void JobSession::cut(const std::string& folder, const std::string& recording, std::int64_t startMs,
                     std::int64_t endMs)
{
    shown_ = runner_.start(JobKind::Cut, CutWork(folder, recording, startMs, endMs));
}

void JobSession::merge(const std::string& folder, const std::vector<std::string>& paths, MergeParts parts)
{
    shown_ = runner_.start(JobKind::Merge, MergeWork(folder, paths, std::move(parts.probes)));
}

void JobSession::quit()
{
    quitting_ = true;
    runner_.stopAll();
    if (reading_)
        reading_->quit();
}

std::optional<MergeParts> JobSession::readParts(const std::vector<std::string>& paths)
{
    if (reading_)
        return std::nullopt;
    auto parts = std::make_shared<MergeParts>();
    QEventLoop loop;
    const int id = runner_.start(JobKind::Merge, ReadPartsWork(paths, parts));
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
        return std::nullopt;
    return std::move(*parts);
}

} // namespace editing
