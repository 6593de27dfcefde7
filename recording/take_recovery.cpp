#include "recording/take_recovery.h"

#include "encoder/take_finish.h"
#include "platform/worker_thread.h"
#include "util/mp4_duration.h"

#include <QDir>
#include <QMetaObject>

namespace recording {

using encoder::FinishedTake;
using encoder::FinishLeftTakes;
using encoder::TakeEnd;
using util::DurationText;

TakeRecovery::TakeRecovery(InUse inUse, QObject* parent) : QObject(parent), inUse_(std::move(inUse)) { }

TakeRecovery::~TakeRecovery()
{
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
}

void TakeRecovery::check(const std::string& folder)
{
    std::lock_guard lock(mutex_);
    folders_.push_back(folder);
    if (folders_.size() > 1)
        return; // the running check takes it next
    if (thread_.joinable())
        thread_.join(); // its loop has ended: it found the list empty
    thread_ = platform::startWorker([this](std::stop_token stop) { run(stop); });
}

void TakeRecovery::run(std::stop_token stop)
{
    for (;;) {
        std::string folder;
        {
            std::lock_guard lock(mutex_);
            if (folders_.empty() || stop.stop_requested()) {
                folders_.clear();
                return;
            }
            folder = folders_.front();
        }
        QStringList saved, kept;
        for (const FinishedTake& take : FinishLeftTakes(folder, inUse_)) {
            const QString name = QDir::toNativeSeparators(QString::fromStdString(take.path));
            if (take.end == TakeEnd::KeptWorking)
                kept << name;
            else if (take.end != TakeEnd::Empty)
                saved << QStringLiteral("%1 (%2)").arg(name, QString::fromStdString(DurationText(take.microseconds)));
        }
        std::lock_guard lock(mutex_);
        // Handed over under our own lock, which the thread checkers see.
        if (!saved.isEmpty() || !kept.isEmpty()) {
            results_.push_back({saved, kept});
            QMetaObject::invokeMethod(this, &TakeRecovery::deliver, Qt::QueuedConnection);
        }
        folders_.erase(folders_.begin());
        if (folders_.empty())
            return;
    }
}

void TakeRecovery::deliver()
{
    std::vector<Result> ready;
    {
        std::lock_guard lock(mutex_);
        ready.swap(results_);
    }
    for (const Result& r : ready)
        emit finished(r.saved, r.kept);
}

} // namespace recording
