#include "ui/job_front.h"

#include "editing/join_question.h"
#include "i18n/language_config.h"
#include "ui/folder_picker.h"
#include "ui/message_box.h"
#include "ui/scan_ui.h"

using editing::JobKind;
using editing::JobSession;
using editing::JoinQuestionText;
using i18n::GuiText;

namespace ui {

JobFront::JobFront(QWidget* window, std::function<void(SCANUI&)> connectDialog)
    : QObject(window), window_(window), connectDialog_(std::move(connectDialog))
{
    // Before the report that ends the dialog with its notice.
    connect(&session_, &JobSession::failureExplained, this, [this](const QString& why) {
        if (dialog_)
            dialog_->setFailureReason(why);
    });
}

void JobFront::runWithDialog(JobKind kind, const std::function<void()>& start)
{
    SCANUI dialog(kind);
    connectDialog_(dialog);
    start();
    dialog_ = &dialog;
    dialog.exec();
    dialog_ = nullptr;
}

void JobFront::quit()
{
    session_.quit();
    // Its own loop would keep the program running after the window closed.
    if (dialog_)
        dialog_->done(QDialog::Rejected);
}

void JobFront::cut(const std::string& recording, std::int64_t startMs, std::int64_t endMs)
{
    const QString folder = PickFolder(window_, cutFolder_);
    cutFolder_ = folder;
    if (folder.isNull())
        return;
    runWithDialog(JobKind::Cut, [&] { session_.cut(folder.toStdString(), recording, startMs, endMs); });
}

void JobFront::merge(const std::vector<std::string>& paths)
{
    const QString folder = PickFolder(window_, mergeFolder_);
    mergeFolder_ = folder;
    if (folder.isNull())
        return;
    std::optional<editing::MergeParts> parts = session_.readParts(paths);
    if (!parts || !confirmConversions(paths, *parts))
        return;
    // The parts were read for the question; the job does not read them again.
    runWithDialog(JobKind::Merge, [&] { session_.merge(folder.toStdString(), paths, std::move(*parts)); });
}

bool JobFront::confirmConversions(const std::vector<std::string>& paths, const editing::MergeParts& parts)
{
    if (!parts.plan || !parts.plan->converts())
        return true;

    const std::string text =
        JoinQuestionText(paths, *parts.plan, [](const char* key) { return GuiText(key).toStdString(); });
    CMessageBox box;
    box.setGeometry(window_->x() + (window_->width() - 400) / 2, window_->y() + (window_->height() - 150) / 2, 400,
                    150);
    box.InitQuestion(QString::fromStdString(text));
    box.growToFitMessage();
    box.exec();
    return box.GetResult() == 1;
}

} // namespace ui
