#include "editing/job_runner.h"

#include "encoder/runner.h"
#include "platform/worker_thread.h"

namespace editing {

using encoder::RunStopRequested;

JobRunner::JobRunner(QObject* parent) : QObject(parent) { }

JobRunner::~JobRunner()
{
    stopAll();
    if (worker_.joinable())
        worker_.join();
}

int JobRunner::start(JobKind kind, Work work)
{
    std::lock_guard lock(mutex_);
    const int id = ++nextId_;
    queue_.push_back({id, kind, std::move(work), std::stop_source()});
    if (!workerActive_) {
        // The last worker has left its loop: joining it does not wait.
        if (worker_.joinable())
            worker_.join();
        workerActive_ = true;
        worker_ = platform::startWorker([this] { workerLoop(); });
    }
    return id;
}

void JobRunner::stop(int id)
{
    std::lock_guard lock(mutex_);
    if (id == runningId_)
        running_.request_stop();
    for (Job& job : queue_)
        if (job.id == id)
            job.stop.request_stop();
}

void JobRunner::stopAll()
{
    std::lock_guard lock(mutex_);
    running_.request_stop();
    for (Job& job : queue_)
        job.stop.request_stop();
}

bool JobRunner::busy() const
{
    std::lock_guard lock(mutex_);
    return workerActive_;
}

bool JobRunner::waitUntilIdle(int ms)
{
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !workerActive_; });
}

void JobRunner::workerLoop()
{
    for (;;) {
        Job job;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) {
                runningId_ = 0;
                workerActive_ = false;
                idle_.notify_all();
                return;
            }
            job = std::move(queue_.front());
            queue_.pop_front();
            running_ = job.stop;
            runningId_ = job.id;
        }
        const int id = job.id;
        const int kind = static_cast<int>(job.kind);
        std::string why;
        const Notify notify = [this, id, kind, &why](int percent, const std::string& current, const std::string& target,
                                                     int status) {
            emit progress(id, kind, percent, QString::fromStdString(current), QString::fromStdString(target), status,
                          QString::fromStdString(why));
        };
        if (job.stop.stop_requested())
            notify(100, {}, {}, RunStopRequested); // stopped while it waited
        else
            job.work(notify, job.stop.get_token(), why);
    }
}

} // namespace editing
