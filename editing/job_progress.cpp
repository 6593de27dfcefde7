#include "editing/job_progress.h"

namespace editing {

namespace {

// A message of the language file, its "\n" pairs made line breaks.
std::string messageText(const LanguageText& text, const char* key) { return ExpandLineBreaks(text(key)); }

} // namespace

JobShown JobProgress::take(JobKind kind, int percent, const std::string& current, const std::string& target,
                           int status, const LanguageText& text)
{
    JobShown shown;
    shown.percent = percent;
    shown.ends = report(kind, percent, status);
    target_ = target;
    shown.line = FormatProgressLine(messageText(text, progressKey()), percent, current, target);
    return shown;
}

std::string JobProgress::finishedText(const LanguageText& text) const
{
    return ReplacePlaceholder(messageText(text, finishedKey()), target_);
}

std::string JobProgress::failureText(const LanguageText& text, const std::string& why) const
{
    std::string shown = messageText(text, failureKey());
    if (why.empty())
        return shown;
    // The encoder names files by their full paths: a zero-width space after
    // each separator lets a long one wrap instead of running off the box.
    shown += '\n';
    for (const char c : why) {
        shown += c;
        if (c == '/' || c == '\\')
            shown += "\xE2\x80\x8B";
    }
    return shown;
}

std::string JobProgress::stopQuestion(const LanguageText& text) const
{
    return messageText(text, stopQuestionKey());
}

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
    target_.clear();
}

} // namespace editing
