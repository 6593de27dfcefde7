#include "editing/job_progress.h"

namespace editing {

bool JobProgress::report(JobKind kind, int percent, int status)
{
    kind_ = kind;
    lastStatus_ = status;
    if (percent == 100)
        done_ = true;
    return percent == 100 || status != 0;
}

CloseStep JobProgress::closeStep() const
{
    if (lastStatus_ != 0)
        return CloseStep::ShowFailure;
    return done_ ? CloseStep::ShowFinished : CloseStep::AskToStop;
}

const char* JobProgress::progressKey() const
{
    return kind_ == JobKind::Merge ? "Messages/MSG1008" : "Messages/MSG1010";
}

const char* JobProgress::failureKey() const
{
    return kind_ == JobKind::Merge ? "Messages/MSG1011" : "Messages/MSG1012";
}

const char* JobProgress::finishedKey() const
{
    return kind_ == JobKind::Merge ? "Messages/MSG1013" : "Messages/MSG1014";
}

const char* JobProgress::stopQuestionKey() const
{
    return kind_ == JobKind::Merge ? "Messages/MSG1015" : "Messages/MSG1016";
}

void JobProgress::startDialog(JobKind kind)
{
    kind_ = kind;
    done_ = false;
    lastStatus_ = 0;
}

} // namespace editing
