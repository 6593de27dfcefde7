#pragma once
// Finds out, off the interface thread, whether the chosen recording's cuts
// can be exact, so that the cut page says so before a cut starts. One check
// runs at a time (each may read a movie box of many megabytes); a recording
// chosen while one runs waits, replacing any that waited before it, and the
// answer for a recording chosen since is dropped. QtCore only.
#include <QObject>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>

namespace editing {

class CutExactness : public QObject {
    Q_OBJECT
public:
    explicit CutExactness(QObject* parent = nullptr);
    // Waits for the check running, if any.
    ~CutExactness() override;

    // Checks `recording`; an empty name only drops the last check.
    void check(const std::string& recording);

signals:
    // On the interface thread, for the recording last asked about.
    void checked(bool exact);

private:
    void run(std::stop_token stop);

    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::optional<std::pair<int, std::string>> waiting_; // its number, the recording
    int asked_ = 0; // the number of the last check asked for (interface thread)
    std::jthread worker_; // last, so that it ends before the rest goes
};

} // namespace editing
