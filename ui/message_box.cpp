#include "ui/message_box.h"

#include <algorithm>

#include "i18n/language_config.h"
#include "platform/taskbar_window.h"
#include "ui/keyboard_access.h"
#include "ui/styles.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

using i18n::GuiText;

namespace ui {

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 150;

QFont messageFont() { return ui::calibri(12, false); }

const QString& buttonSheet()
{
    static const QString sheet = QStringLiteral(
        "QPushButton{background-color: rgb(191, 191, 191); border-radius: 10px; border: 2px groove white; "
        "border-style: outset;}"
        "QPushButton:hover{background-color: rgb(156, 156, 156);}"
        "QPushButton:pressed{background-color: rgb(156, 156, 156); border: 2px groove white; border-style: inset;}");
    return sheet;
}

} // namespace

CMessageBox::CMessageBox() : QDialog(nullptr, {})
{
    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(QString());
    setWindowIcon(QIcon(QStringLiteral(":/image/logo.ico")));
    setFixedSize(kWidth, kHeight);
    resize(kWidth, kHeight);
    if (platform::toolTipWindowCanOwnTaskbarEntry()) {
        setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
        platform::giveOwnTaskbarEntry(static_cast<std::uintptr_t>(winId()));
    } else {
        setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    }
    m_focus = new ui::FocusReturn(this);
}

QPushButton* CMessageBox::addButton(QWidget* bar, const char* key, int x)
{
    auto* button = new QPushButton(GuiText(key), bar);
    button->setGeometry(x, 5, 80, 25);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(messageFont());
    button->setStyleSheet(buttonSheet() + ui::kFocusMark);
    return button;
}

QLabel* CMessageBox::buildLayout(const QString& title, int titleX, const char* icon, const QString& message)
{
    const int w = width();
    auto* titleBar = m_titleBar = new QLabel(this);
    titleBar->setMinimumSize(w, 30);
    titleBar->setStyleSheet(QStringLiteral("background-color: rgb(28, 28, 28);"));
    auto* titleText = new QLabel(title, titleBar);
    // Centred in the 30-pixel bar: lower down its text would be cut off.
    titleText->setGeometry(titleX, 0, w - titleX, 30);
    titleText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titleText->setFont(messageFont());
    QPalette white = titleText->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    titleText->setPalette(white);

    auto* iconLabel = new QLabel(this);
    iconLabel->setAlignment(Qt::AlignCenter);
    iconLabel->setPixmap(QPixmap(QString::fromLatin1(icon)));
    m_message = new QLabel(message, this);
    m_message->setMinimumSize(w - 60, 80);
    m_message->setFont(messageFont());
    m_message->setStyleSheet(QStringLiteral("color: black;"));
    m_message->setWordWrap(true);

    auto* buttonBar = new QLabel(this);
    buttonBar->setMinimumSize(w, 40);
    buttonBar->setStyleSheet(QStringLiteral("background-color: rgb(220, 220, 220);"));

    auto* titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(0, 0, 0, 0);
    titleRow->setSpacing(0);
    titleRow->addWidget(titleBar);
    auto* messageRow = new QHBoxLayout;
    messageRow->setContentsMargins(5, 0, 0, 0);
    messageRow->addWidget(iconLabel);
    messageRow->addWidget(m_message);
    auto* inner = new QVBoxLayout;
    inner->setContentsMargins(0, 0, 0, 0);
    inner->addLayout(messageRow);
    inner->addStretch(2);
    inner->addWidget(buttonBar);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addLayout(titleRow);
    outer->addStretch(2);
    outer->addLayout(inner);
    return buttonBar;
}

void CMessageBox::InitQuestion(const QString& message)
{
    QLabel* bar = buildLayout(QStringLiteral("  ") + GuiText("MainWnd/Question"), 0, ":/image/question.png", message);
    const int w = width();
    QPushButton* no = addButton(bar, "MainWnd/NO", w / 4);
    connect(no, &QPushButton::clicked, this, &CMessageBox::btnSlotNO);
    connect(addButton(bar, "MainWnd/OK", w / 4 + 100), &QPushButton::clicked, this, &CMessageBox::btnSlotOK);
    // A question mostly asks whether to stop something: Enter must not.
    m_focus->setInitial(no);
}

void CMessageBox::InitInfo(const QString& message)
{
    QLabel* bar = buildLayout(GuiText("MainWnd/Info"), 10, ":/image/information.png", message);
    // Made first, so that Tab reads the title bar first. At the right end, as
    // on every other title bar: at the left it would cover the title.
    auto* close = new QPushButton(m_titleBar);
    close->setIcon(QIcon(QStringLiteral(":/image/close.png")));
    close->setGeometry(width() - 30, 0, 30, 30);
    close->setCursor(Qt::PointingHandCursor);
    close->setStyleSheet(ui::kFocusMark);
    ui::nameImageButton(close, GuiText("MainWnd/Close"));
    connect(close, &QPushButton::clicked, this, &CMessageBox::btnSlot);
    QPushButton* ok = addButton(bar, "MainWnd/OK", width() / 3);
    connect(ok, &QPushButton::clicked, this, &CMessageBox::btnSlotOK);
    m_focus->setInitial(ok);
}

void CMessageBox::growToFitMessage()
{
    layout()->activate();
    const int needed = m_message->heightForWidth(m_message->width());
    if (needed <= m_message->minimumHeight())
        return;
    m_message->setMinimumHeight(needed);
    layout()->invalidate();
    layout()->activate();
    setFixedHeight(std::max(height(), layout()->minimumSize().height()));
}

void CMessageBox::btnSlotOK()
{
    m_result = 1;
    close();
}

void CMessageBox::btnSlotNO()
{
    m_result = 0;
    close();
}

void CMessageBox::btnSlot()
{
    m_result = 0;
    close();
}

void CMessageBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
    } else if (event->button() == Qt::RightButton) {
        close();
    }
}

void CMessageBox::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::LeftButton) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
    }
}

} // namespace ui
