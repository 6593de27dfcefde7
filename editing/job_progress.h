#pragma once
// What the progress dialog of a cut or merge makes of the job's reports: the
// bar, the line and the notices it shows, and what closing it means at each
// moment. Pure and Qt-free; texts are UTF-8.
#include "editing/job_text.h"

#include <string>

namespace editing {

enum class JobKind { Merge = 1, Cut = 2 };

// What closing the dialog shows or asks.
enum class CloseStep {
    ShowFailure,  // the job failed or was stopped
    ShowFinished, // the job is done
    AskToStop,    // the job runs: ask whether to stop it
};

// What the dialog shows of one report.
struct JobShown {
    int percent = 0;
    std::string line; // the progress format filled in
    bool ends = false; // the dialog closes with its notice
};

class JobProgress {
public:
    // One report of the job, as the dialog shows it; remembers the file made
    // for the finished notice.
    JobShown take(JobKind kind, int percent, const std::string& current, const std::string& target, int status,
                  const LanguageText& text);
    // The notices and the stop question, in the current kind's words. The
    // failure text carries `why`, the encoder's own words, on a line of its
    // own.
    std::string finishedText(const LanguageText& text) const;
    std::string failureText(const LanguageText& text, const std::string& why) const;
    std::string stopQuestion(const LanguageText& text) const;

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

    // A new dialog for a job of `kind`: not done, status 0, no file made.
    void startDialog(JobKind kind);

private:
    JobKind kind_ = JobKind::Cut;
    bool done_ = false;
    int lastStatus_ = 0;
    std::string target_;
};

} // namespace editing
