#pragma once
// The progress dialog of a cut or merge: a bar, a line of text and a cancel
// button. It follows the main window's job reports, asks before stopping a
// running job, and ends with a finished or failed notice.
#include "editing/job_progress.h"

#include <QDialog>
#include <QString>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace ui {

class CMessageBox;
class DRUI;

class SCANUI : public QDialog {
    Q_OBJECT
public:
    // `kind`: the job it shows, for the stop question asked before its
    // first report.
    explicit SCANUI(editing::JobKind kind = editing::JobKind::Cut, QWidget* parent = nullptr,
                    Qt::WindowFlags flags = {});
    ~SCANUI() override;

    // Follows the window's job reports and hands it a stop; call before the
    // job starts, so that none is missed.
    void ConnectSignals(DRUI* window);

    QProgressBar* progressBar() const { return m_progressBar; }
    QLabel* messageLabel() const { return m_message; }
    QPushButton* cancelButton() const { return m_cancel; }
    const editing::JobProgress& progress() const { return m_progress; }
    // The encoder's own words on a failure, shown under the failure text.
    void setFailureReason(const QString& why) { m_failureReason = why; }

signals:
    // The user confirmed a cancel, or the job failed part-way.
    void stopRequested();

public slots:
    void btnSlot();
    void CutProcessCallBackSlot(int nProcess, QString strCurMergeName, QString strTargetName, int nRet);
    void AddProcessCallBackSlot(int nProcess, QString strCurMergeName, QString strTargetName, int nRet);

    // Escape, like every other way out, goes through the close handling.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void onReport(editing::JobKind kind, int nProcess, const QString& current, const QString& target, int nRet);
    // Closes with the failed or finished notice when the job has ended;
    // false while it runs.
    bool endWithNotice(QCloseEvent* event);
    // A notice placed over the dialog, run modally.
    void showNotice(const QString& text);

    editing::JobProgress m_progress;
    QString m_failureReason;
    std::unique_ptr<CMessageBox> m_confirm; // the stop question, while asked
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_message = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_closing = false; // a report has closed the dialog
};

} // namespace ui
