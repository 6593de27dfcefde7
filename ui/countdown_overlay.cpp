#include "ui/countdown_overlay.h"

#include "i18n/language_config.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPainter>
#include <QThread>
#include <QTimer>

using i18n::GuiText;

namespace ui {

namespace {

constexpr int kSide = 220;

} // namespace

CountdownOverlay::CountdownOverlay()
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::BypassWindowManagerHint)
{
    setObjectName(QStringLiteral("countdown"));
    setAccessibleName(GuiText("MainWnd/Countdown"));
    resize(kSide, kSide);
}

bool CountdownOverlay::run(int seconds, const QRect& area)
{
    cancelled_ = false;
    left_ = seconds;
    move(area.center() - QPoint(kSide / 2, kSide / 2));
    show();
    raise();
    activateWindow();
    grabKeyboard();
    QEventLoop loop;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [this] {
        if (--left_ <= 0)
            emit ended();
        update();
    });
    connect(this, &CountdownOverlay::ended, &loop, &QEventLoop::quit);
    tick.start(1000);
    loop.exec();
    tick.stop();
    releaseKeyboard();
    hide();
    // The number must be off the screen before the first frame is taken.
    QCoreApplication::processEvents();
    QThread::msleep(60);
    QCoreApplication::processEvents();
    left_ = 0;
    return !cancelled_;
}

void CountdownOverlay::cancel()
{
    if (!isVisible())
        return;
    cancelled_ = true;
    emit ended();
}

void CountdownOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(30, 30, 30));
    painter.setPen(QColor(255, 80, 80));
    QFont big = font();
    big.setPixelSize(kSide * 2 / 3);
    big.setBold(true);
    painter.setFont(big);
    painter.drawText(rect(), Qt::AlignCenter, QString::number(left_));
}

void CountdownOverlay::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        cancel();
}

} // namespace ui
