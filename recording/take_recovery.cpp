#include "recording/take_recovery.h"

#include "takes/take_finish.h"
#include "platform/files.h"
#include "platform/worker_thread.h"
#include "recording/record_controller.h"
#include "media/mp4_duration.h"
#include "media/recording_length.h"

#include <QDir>
#include <QMetaObject>

namespace recording {

using takes::FinishedTake;
using takes::FinishLeftTakes;
using takes::TakeEnd;
using media::DurationText;

TakeRecovery::TakeRecovery(InUse inUse, QObject* parent) : QObject(parent), inUse_(std::move(inUse)) { }

bool TakeRecovery::inRecordedFolder(const std::string& working, const std::string& recordingFolder,
                                    const std::string& recordingFile)
{
    if (!recordingFile.empty() && platform::sameFile(working, recordingFile))
        return true;
    if (recordingFolder.empty())
        return false;
    const std::size_t slash = working.find_last_of(std::string("/") + platform::separator());
    if (slash == std::string::npos)
        return platform::sameFile(".", recordingFolder);
    // A root keeps its separator ("/", "C:\\").
    const bool root = slash == 0 || working[slash - 1] == ':';
    return platform::sameFile(working.substr(0, root ? slash + 1 : slash), recordingFolder);
}

TakeRecovery::InUse TakeRecovery::guardOf(const RecordController& recorder)
{
    return [&recorder](const std::string& working) {
        return inRecordedFolder(working, recorder.recordingFolder(), recorder.outputPath());
    };
}

TakeRecovery::~TakeRecovery()
{
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
}

void TakeRecovery::stop()
{
    std::lock_guard lock(mutex_);
    thread_.request_stop();
}

void TakeRecovery::check(const std::string& folder, const takes::SoundTitles& titles)
{
    std::lock_guard lock(mutex_);
    folders_.push_back({folder, titles});
    if (folders_.size() > 1)
        return; // the running check takes it next
    if (thread_.joinable())
        thread_.join(); // its loop has ended: it found the list empty
    thread_ = platform::startWorker([this](std::stop_token stop) { run(stop); });
}

void TakeRecovery::run(std::stop_token stop)
{
    for (;;) {
        Asked asked;
        {
            std::lock_guard lock(mutex_);
            if (folders_.empty() || stop.stop_requested()) {
                folders_.clear();
                return;
            }
            asked = folders_.front();
        }
        QStringList saved, kept;
        for (const FinishedTake& take : FinishLeftTakes(asked.folder, inUse_, stop, asked.titles)) {
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
