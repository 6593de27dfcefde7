#pragma once
// For tests of objects that report through queued calls: the event loop of
// the calling thread turns until they have told what was awaited. QtCore only.
#include <QCoreApplication>
#include <QDeadlineTimer>

namespace testing_support {

// True when `done` came true within `ms`.
template <typename Predicate>
bool spinUntil(Predicate done, int ms = 60000)
{
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace testing_support
