#pragma once
// Takes that a crash, a kill or a power cut left unfinished in the save
// folder are finished when the program starts and when the save folder
// changes, off the interface thread. The take the recording session is
// writing at that moment is left alone. QtCore only.
#include <QObject>
#include <QStringList>

#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace recording {

class TakeRecovery : public QObject {
    Q_OBJECT
public:
    // True for the working file of a take that is being recorded.
    using InUse = std::function<bool(const std::string& working)>;
    explicit TakeRecovery(InUse inUse, QObject* parent = nullptr);
    // Waits for a check under way: a take is never left half moved.
    ~TakeRecovery() override;

    // Finishes the takes left in `folder`. A check asked while one runs
    // follows it.
    void check(const std::string& folder);

signals:
    // One line per take: the recordings made ("name (HH:MM:SS)"), and the
    // working files kept because nothing could be read from them. Only
    // when there was at least one.
    void finished(const QStringList& saved, const QStringList& kept);

private:
    void run(std::stop_token stop);
    void deliver();

    struct Result {
        QStringList saved, kept;
    };

    const InUse inUse_;
    std::mutex mutex_;
    std::vector<std::string> folders_; // asked for, not yet checked
    std::vector<Result> results_;      // checked, not yet told
    std::jthread thread_;
};

} // namespace recording
