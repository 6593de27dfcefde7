#pragma once
// Finds out, off the interface thread, whether the chosen recording's cuts
// can be exact, so that the cut page says so before a cut starts. The
// answer for a recording chosen since is dropped. QtCore only.
#include <QObject>

#include <atomic>
#include <list>
#include <string>
#include <thread>

namespace editing {

class CutExactness : public QObject {
    Q_OBJECT
public:
    explicit CutExactness(QObject* parent = nullptr);
    // Waits for the checks still running: each is one short encoder run.
    ~CutExactness() override;

    // Checks `recording`; an empty name only drops the last check.
    void check(const std::string& recording);

signals:
    // On the interface thread, for the recording last asked about.
    void checked(bool exact);

private:
    struct Check {
        std::atomic<bool> done{false};
        std::jthread thread;
    };
    std::list<Check> checks_;
    int asked_ = 0; // the number of the last check asked for
};

} // namespace editing
