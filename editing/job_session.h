#pragma once
// The cut and merge jobs behind the window: starts them on the job runner,
// reads a merge's parts for the question asked before it, and passes on the
// reports of the job the progress dialog shows, and only those. QtCore only.
#include "editing/job_runner.h"
#include "editing/merge_job.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QEventLoop;

namespace editing {

class JobSession : public QObject {
    Q_OBJECT
public:
    explicit JobSession(QObject* parent = nullptr);

    // Each starts a job whose reports are the shown ones from now on: a
    // stopped job still winding down no longer speaks.
    void cut(const std::string& folder, const std::string& recording, std::int64_t startMs, std::int64_t endMs);
    // `parts`: what readParts() read of them, not read again.
    void merge(const std::string& folder, const std::vector<std::string>& paths, MergeParts parts);
    // Reads the parts on the worker, the event loop running meanwhile.
    // Nothing when the last read still runs or the program quits meanwhile.
    std::optional<MergeParts> readParts(const std::vector<std::string>& paths);

    void stopShown() { runner_.stop(shown_); }
    void stopAll() { runner_.stopAll(); }
    // The program quits: every job stops, leaving no partial output, and a
    // read under way gives up.
    void quit();
    bool waitUntilIdle(int ms) { return runner_.waitUntilIdle(ms); }

signals:
    // The shown job failed: the encoder's own words, sent just before the
    // report that says so.
    void failureExplained(const QString& why);
    // The shown job's reports: percent, the file worked on, the file made,
    // the status so far.
    void mergeProgress(int percent, QString current, QString target, int status);
    void cutProgress(int percent, QString current, QString target, int status);

private:
    void take(int id, int kind, int percent, const QString& current, const QString& target, int status,
              const QString& why);

    JobRunner runner_;
    int shown_ = 0;
    QEventLoop* reading_ = nullptr; // while the parts of a merge are read
    bool quitting_ = false;
};

} // namespace editing
