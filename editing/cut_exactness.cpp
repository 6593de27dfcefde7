#include "editing/cut_exactness.h"

#include "encoder/exact_cut.h"
#include "platform/worker_thread.h"

#include <QMetaObject>

namespace editing {

using encoder::CanCutExactly;

CutExactness::CutExactness(QObject* parent) : QObject(parent) {}

CutExactness::~CutExactness()
{
    for (Check& c : checks_)
        if (c.thread.joinable())
            c.thread.join();
}

void CutExactness::check(const std::string& recording)
{
    checks_.remove_if([](Check& c) {
        if (!c.done)
            return false;
        c.thread.join();
        return true;
    });
    const int number = ++asked_;
    if (recording.empty())
        return;
    Check& c = checks_.emplace_back();
    c.thread = platform::startWorker([this, &c, number, recording] {
        const bool exact = CanCutExactly(recording);
        QMetaObject::invokeMethod(this, [this, number, exact] {
            if (number == asked_)
                emit checked(exact);
        }, Qt::QueuedConnection);
        c.done = true;
    });
}

} // namespace editing
