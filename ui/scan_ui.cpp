#include "ui/scan_ui.h"

#include "i18n/language_config.h"
#include "ui/keyboard_access.h"
#include "ui/message_box.h"
#include "ui/styles.h"
#include "ui/window_drag.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

using editing::CloseStep;
using editing::JobKind;
using editing::JobShown;
using i18n::GuiText;

namespace ui {

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 250;

std::string languageText(const char* key) { return GuiText(key).toStdString(); }

} // namespace

SCANUI::SCANUI(JobKind kind, QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags)
{
    setObjectName(QStringLiteral("Dialog"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(kWidth, kHeight);
    setWindowTitle(GuiText("MainWnd/FreeProductName"));
    new WindowDrag(this);
    const int w = width();

    auto* top = new QLabel(this);
    top->setMinimumSize(w, 70);
    top->setStyleSheet(QStringLiteral("background-color: rgb(28, 28, 28);"));
    auto* logo = new QLabel(top);
    logo->setGeometry(15, 6, 30, 50);
    logo->setPixmap(QIcon(QStringLiteral(":/image/logo.png")).pixmap(QSize(30, 50), devicePixelRatioF()));
    auto* title = new QLabel(GuiText("MainWnd/FreeProductName"), top);
    title->setGeometry(65, 12, 200, 30);
    title->setFont(ui::calibri(13, false));
    title->setStyleSheet(QStringLiteral("color: white;"));
    auto* close = new QPushButton(top);
    close->setIcon(QIcon(QStringLiteral(":/image/close.png")));
    close->setGeometry(w - 30, 0, 30, 30);
    close->setCursor(Qt::PointingHandCursor);
    close->setStyleSheet(ui::kFocusMark);
    ui::nameImageButton(close, GuiText("MainWnd/Close"));
    connect(close, &QPushButton::clicked, this, &SCANUI::btnSlot);

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    m_progressBar->setAccessibleName(GuiText("MainWnd/Progress"));

    m_message = new QLabel(this);
    m_message->setMinimumSize(w - 60, 80);
    m_message->setStyleSheet(QStringLiteral("color: black;"));
    m_message->setFont(ui::calibri(11, false));
    m_message->setWordWrap(true);

    auto* strip = new QLabel(this);
    strip->setMinimumSize(w - 60, 40);
    m_cancel = new QPushButton(GuiText("MainWnd/Cancel"), strip);
    m_cancel->setFlat(true);
    m_cancel->setFont(ui::calibri(11, false));
    m_cancel->setCursor(Qt::PointingHandCursor);
    m_cancel->setStyleSheet(ui::greyButtonSheet() + ui::kFocusMark);
    m_cancel->setGeometry((w - 10) / 2 - 40, 5, 80, 25);
    connect(m_cancel, &QPushButton::clicked, this, &SCANUI::btnSlot);

    auto* topRow = new QHBoxLayout;
    topRow->setSpacing(0);
    topRow->setContentsMargins(0, 0, 0, 0);
    topRow->addWidget(top);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(5, 0, 5, 0);
    body->addWidget(m_progressBar);
    body->addStretch(2);
    body->addWidget(m_message);
    body->addWidget(strip);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addLayout(topRow);
    box->addStretch(2);
    box->addLayout(body);

    new ui::FocusReturn(this, m_cancel);
    m_progress.startDialog(kind);
}

SCANUI::~SCANUI() = default;

void SCANUI::btnSlot() { close(); }

void SCANUI::reject() { close(); }

void SCANUI::AddProcessCallBackSlot(int nProcess, QString strCurMergeName, QString strTargetName, int nRet)
{
    onReport(JobKind::Merge, nProcess, strCurMergeName, strTargetName, nRet);
}

void SCANUI::CutProcessCallBackSlot(int nProcess, QString strCurMergeName, QString strTargetName, int nRet)
{
    onReport(JobKind::Cut, nProcess, strCurMergeName, strTargetName, nRet);
}

void SCANUI::onReport(JobKind kind, int nProcess, const QString& current, const QString& target, int nRet)
{
    const JobShown shown =
        m_progress.take(kind, nProcess, current.toStdString(), target.toStdString(), nRet, languageText);
    m_progressBar->setValue(shown.percent);
    m_message->setText(QString::fromStdString(shown.line));
    if (!shown.ends || m_closing)
        return;
    if (m_confirm) {
        // The stop question is open: it is answered by the job's end, and
        // the close under way carries on from there.
        m_confirm->close();
        return;
    }
    m_closing = true;
    close();
}

void SCANUI::showNotice(const QString& message)
{
    CMessageBox box;
    box.setGeometry(x() + width() / 8, y() + height() / 8, 400, 150);
    box.InitInfo(message);
    // The encoder's words under a failure may not fit: the box grows rather
    // than cut them off.
    box.layout()->activate();
    QLabel* label = box.messageLabel();
    const int needed = label->heightForWidth(label->width());
    if (needed > label->minimumHeight()) {
        label->setMinimumHeight(needed);
        box.layout()->invalidate();
        box.layout()->activate();
        box.setFixedHeight(std::max(box.height(), box.layout()->minimumSize().height()));
    }
    box.exec();
}

bool SCANUI::endWithNotice(QCloseEvent* event)
{
    switch (m_progress.closeStep()) {
    case CloseStep::ShowFailure:
        // A job that failed part-way has nothing left worth finishing.
        emit stopRequested();
        event->accept();
        showNotice(QString::fromStdString(m_progress.failureText(languageText, m_failureReason.toStdString())));
        return true;
    case CloseStep::ShowFinished:
        event->accept();
        showNotice(QString::fromStdString(m_progress.finishedText(languageText)));
        return true;
    case CloseStep::AskToStop:
        break;
    }
    return false;
}

void SCANUI::closeEvent(QCloseEvent* event)
{
    if (endWithNotice(event))
        return;

    m_confirm = std::make_unique<CMessageBox>();
    m_confirm->setGeometry(x() + width() / 8, y() + height() / 8, 400, 150);
    m_confirm->InitQuestion(QString::fromStdString(m_progress.stopQuestion(languageText)));
    m_confirm->exec();
    const int answer = m_confirm->GetResult();
    m_confirm.reset();

    // The job may have ended while the question was open: that answers it.
    if (endWithNotice(event))
        return;
    if (answer != 1) {
        event->ignore(); // the job goes on
        return;
    }
    emit stopRequested();
    m_progressBar->setValue(0);
    event->accept();
}

} // namespace ui
