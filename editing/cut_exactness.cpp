#include "editing/cut_exactness.h"

#include "editing/exact_cut.h"
#include "platform/worker_thread.h"

#include <QMetaObject>

namespace editing {

using editing::CanCutExactly;

CutExactness::CutExactness(QObject* parent) : QObject(parent) {}

CutExactness::~CutExactness()
{
    if (worker_.joinable()) {
        worker_.request_stop();
        worker_.join();
    }
}

void CutExactness::check(const std::string& recording)
{
    const int number = ++asked_;
    if (recording.empty())
        return;
    {
        std::lock_guard lock(mutex_);
        waiting_.emplace(number, recording);
    }
    wake_.notify_one();
    if (!worker_.joinable())
        worker_ = platform::startWorker([this](std::stop_token stop) { run(stop); });
}

void CutExactness::run(std::stop_token stop)
{
    for (;;) {
        std::pair<int, std::string> next;
        {
            std::unique_lock lock(mutex_);
            if (!wake_.wait(lock, stop, [this] { return waiting_.has_value(); }))
                return;
            next = std::move(*waiting_);
            waiting_.reset();
        }
        const bool exact = CanCutExactly(next.second);
        QMetaObject::invokeMethod(this, [this, number = next.first, exact] {
            if (number == asked_)
                emit checked(exact);
        }, Qt::QueuedConnection);
    }
}

} // namespace editing
