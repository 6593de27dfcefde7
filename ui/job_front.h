#pragma once
// The window's side of cut and merge jobs: asks for the output folder, runs
// the job on the job runner and shows its progress dialog, and reports the
// shown job's progress as its own signals, which the window passes on as
// its AddProcessCallBack and CutProcessCallBack.
#include "editing/job_runner.h"
#include "media/media_probe.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QEventLoop;
class QWidget;
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

    void stopShown() { runner_.stop(shown_); }
    void stopAll() { runner_.stopAll(); }
    // The program quits: every job stops (leaving no partial output) and the
    // progress dialog closes without its notice, as nothing is left to say.
    void quit();
    bool waitUntilIdle(int ms) { return runner_.waitUntilIdle(ms); }

signals:
    // The shown job's reports: percent, the file worked on, the file made,
    // the status so far.
    void mergeProgress(int percent, QString current, QString target, int status);
    void cutProgress(int percent, QString current, QString target, int status);

private:
    // Shows the progress dialog until the job ends or is stopped; the window
    // goes on answering meanwhile.
    void runWithDialog(editing::JobKind kind, editing::JobRunner::Work work);
    // Reads the parts on the job runner, the window answering meanwhile, and
    // when some are to be converted asks whether to go on, naming them and
    // why. True to go on: also when a part cannot be read, which the merge
    // then reports as a failure. `probes` gets what was read of the parts,
    // for the merge.
    bool confirmConversions(const std::vector<std::string>& paths, std::vector<media::MediaProbe>& probes);
    void forward(int id, int kind, int percent, const QString& current, const QString& target, int status,
                 const QString& why);

    QWidget* window_;
    std::function<void(SCANUI&)> connectDialog_;
    editing::JobRunner runner_;
    int shown_ = 0;                 // the job of the progress dialog
    SCANUI* dialog_ = nullptr;      // while it shows
    QEventLoop* reading_ = nullptr; // while the parts of a merge are read
    bool quitting_ = false;
    QString cutFolder_; // the last output folder, offered again
    QString mergeFolder_;
};
