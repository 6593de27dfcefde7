#include "recording/my_thread.h"

#include "platform/crash_handler.h"

namespace recording {

CMyThread::CMyThread(QObject* parent) : QThread(parent) { }

CMyThread::~CMyThread()
{
    // The owner stops the work first; never destroy a thread that still runs.
    wait();
}

void CMyThread::SetCallback(Callback callback, void* user)
{
    callback_ = callback;
    user_ = user;
}

void CMyThread::run()
{
    // A recording worker that overflows its stack must still leave a report.
    const platform::ThreadCrashGuard crashGuard;
    if (!callback_)
        return;
    void* reserved = nullptr;
    callback_(user_, &reserved);
}

} // namespace recording
