#pragma once

namespace editing {

// What the progress dialog of a cut or merge makes of the job's reports, and
// what closing it means at each moment. Pure and Qt-free.

enum class JobKind { Merge = 1, Cut = 2 };

// What closing the dialog shows or asks.
enum class CloseStep {
    ShowFailure,  // the job failed or was stopped
    ShowFinished, // the job is done
    AskToStop,    // the job runs: ask whether to stop it
};

class JobProgress {
public:
    // One report of the job. True when it ends the dialog: the final report
    // (100) or a failure.
    bool report(JobKind kind, int percent, int status);
    CloseStep closeStep() const;

    bool done() const { return done_; }
    // The kind of the dialog's job, or of its last report.
    JobKind kind() const { return kind_; }
    // The language keys of the texts for the current kind of job.
    const char* progressKey() const;
    const char* failureKey() const;
    const char* finishedKey() const;
    const char* stopQuestionKey() const;

    // A new dialog for a job of `kind`: not done, status 0.
    void startDialog(JobKind kind);

private:
    JobKind kind_ = JobKind::Cut;
    bool done_ = false;
    int lastStatus_ = 0;
};

} // namespace editing
