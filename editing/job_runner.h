#pragma once
// Runs cut and merge jobs one at a time on a worker thread of its own. Each
// job takes its inputs by value when it is asked for and gets a stop source
// made on the interface thread, so a stop is never lost and no job reads
// the window. The interface thread never waits for a job: one asked for
// while the last winds down is queued behind it. QtCore only.
#include "editing/job_progress.h"
#include "editing/job_work.h"

#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

namespace editing {

class JobRunner : public QObject {
    Q_OBJECT
public:
    using Notify = JobNotify;
    using Work = JobWork;

    explicit JobRunner(QObject* parent = nullptr);
    // Stops every job and waits for the worker: bounded, since an encoder
    // that ignores the stop is ended by force.
    ~JobRunner() override;

    // Queues the job and starts the worker if it is idle. Returns the job's id.
    int start(JobKind kind, Work work);
    // Requests a stop of job `id`, running or queued. A queued job that was
    // stopped reports its end without running.
    void stop(int id);
    void stopAll();
    // True while a job runs or waits.
    bool busy() const;
    // Waits up to `ms` for every job to end; true when none is left. Only for
    // shutdown and tests: the window never calls it from a slot.
    bool waitUntilIdle(int ms);

signals:
    // Sent from the worker thread; `kind` is a JobKind. `why` is what the job
    // has said of a failure so far: empty while it goes well.
    void progress(int id, int kind, int percent, QString current, QString target, int status, QString why);

private:
    struct Job {
        int id;
        JobKind kind;
        Work work;
        std::stop_source stop;
    };
    void workerLoop();

    mutable std::mutex mutex_;
    std::condition_variable idle_;
    std::deque<Job> queue_;
    std::stop_source running_; // stop source of the job on the worker
    int runningId_ = 0;
    bool workerActive_ = false;
    int nextId_ = 0;
    std::jthread worker_;
};

} // namespace editing
