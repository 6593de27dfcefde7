#pragma once
// What worker threads report of numbered records, handed to the thread of
// the QObject that shows them a batch per turn of its event loop, so that
// however fast the reports come the window draws and answers in between.
// QtCore only.
#include <QMetaObject>
#include <QObject>

#include <algorithm>
#include <cstddef>
#include <mutex>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace library {

// `Extra`: whatever else the workers report, kept under the same lock.
template <typename Extra = std::monostate>
struct ReportInbox {
    using Report = std::pair<std::size_t, std::string>;

    std::mutex mutex; // guards all that follows
    Extra extra;
    std::vector<Report> reports;
    std::size_t taken = 0;
    bool finished = false;
    bool posted = false; // a take is on its way

    // On a worker: stores a report through `store` and posts `take` to
    // `receiver`'s thread unless one is on its way, so one call takes
    // whatever came meanwhile. A posted call dies with the receiver.
    template <typename Store, typename Take>
    void post(QObject* receiver, Store&& store, Take take)
    {
        const std::lock_guard lock(mutex);
        store(*this);
        if (posted)
            return;
        posted = true;
        QMetaObject::invokeMethod(receiver, std::move(take), Qt::QueuedConnection);
    }

    // On the receiver's thread, with `mutex` held: the next `most` reports at
    // the most. With more left, `take` is posted again for the next turn;
    // otherwise `finishedNow` says whether the workers have finished.
    template <typename Take>
    std::vector<Report> next(std::size_t most, QObject* receiver, Take take, bool& finishedNow)
    {
        const std::size_t end = std::min(reports.size(), taken + most);
        std::vector<Report> batch(reports.begin() + static_cast<std::ptrdiff_t>(taken),
                                  reports.begin() + static_cast<std::ptrdiff_t>(end));
        taken = end;
        finishedNow = false;
        if (taken == reports.size()) {
            reports.clear();
            taken = 0;
            finishedNow = finished;
            posted = false;
        } else {
            QMetaObject::invokeMethod(receiver, std::move(take), Qt::QueuedConnection);
        }
        return batch;
    }
};

} // namespace library
