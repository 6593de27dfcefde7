#pragma once
// A worker thread that runs a stored callback with a user pointer. The
// recording session owns one, for the recordings, for its whole life; cuts
// and merges run on the job runner's thread.
#include <QThread>

namespace recording {

class CMyThread : public QThread {
    Q_OBJECT
public:
    // The second pointer is reserved and ignored by every callback.
    using Callback = int (*)(void* user, void* reserved);

    explicit CMyThread(QObject* parent = nullptr);
    ~CMyThread() override;

    // Sets both together; call before the first start.
    void SetCallback(Callback callback, void* user);

protected:
    void run() override;

private:
    Callback callback_ = nullptr;
    void* user_ = nullptr;
};

} // namespace recording
