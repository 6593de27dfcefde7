#pragma once
// The window's side of cut and merge jobs: asks for the output folder and,
// before a merge that converts parts, whether to go on; shows the progress
// dialog while the job session runs the job.
#include "editing/job_session.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace ui {

class SCANUI;

class JobFront : public QObject {
    Q_OBJECT
public:
    // `window` is the folder picker's parent; `connectDialog` ties each
    // progress dialog to the window's signals.
    JobFront(QWidget* window, std::function<void(SCANUI&)> connectDialog);

    // The stretch of `recording` between the player's marks.
    void cut(const std::string& recording, std::int64_t startMs, std::int64_t endMs);
    // The recordings in their order.
    void merge(const std::vector<std::string>& paths);

    // Its reports are what the progress dialog shows.
    editing::JobSession& session() { return session_; }
    void stopShown() { session_.stopShown(); }
    void stopAll() { session_.stopAll(); }
    // The program quits: every job stops (leaving no partial output) and the
    // progress dialog closes without its notice, as nothing is left to say.
    void quit();
    bool waitUntilIdle(int ms) { return session_.waitUntilIdle(ms); }

private:
    // Shows the progress dialog until the job `start` starts ends or is
    // stopped; the window goes on answering meanwhile.
    void runWithDialog(editing::JobKind kind, const std::function<void()>& start);
    // When some of the parts read are to be converted, asks whether to go
    // on, naming them and why. True to go on: also when a part cannot be
    // read, which the merge then reports as a failure.
    bool confirmConversions(const std::vector<std::string>& paths, const editing::MergeParts& parts);

    QWidget* window_;
    std::function<void(SCANUI&)> connectDialog_;
    editing::JobSession session_;
    SCANUI* dialog_ = nullptr; // while it shows
    QString cutFolder_;        // the last output folder, offered again
    QString mergeFolder_;
};

} // namespace ui
