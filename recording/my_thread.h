#pragma once
// A worker thread that runs a stored callback with a user pointer. The main
// window owns one for recordings and one for merge jobs, for its whole life.
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

signals:
    void ProcessCallBack(int nProcess);

protected:
    void run() override;

private:
    Callback callback_ = nullptr;
    void* user_ = nullptr;
};

} // namespace recording
