#include "ui/area_picker.h"

#include "i18n/language_config.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cstdlib>

using i18n::GuiText;

namespace ui {

namespace {

constexpr int kGripPixels = 8;
constexpr int kLeft = 1, kTop = 2, kRight = 4, kBottom = 8;

} // namespace

AreaPicker::AreaPicker(Mode mode, const QRect& start, const std::string& display)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::BypassWindowManagerHint),
      mode_(mode), display_(display)
{
    setObjectName(QStringLiteral("areaPicker"));
    setAccessibleName(GuiText(mode == Mode::Area ? "MainWnd/PickArea" : "MainWnd/PickWindow"));
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    QScreen* screen = QGuiApplication::primaryScreen();
    bounds_ = screen->virtualGeometry();
    // The desktop as it is, under a veil: no compositor is needed to see
    // through the overlay.
    desktop_ = screen->grabWindow(0, bounds_.x(), bounds_.y(), bounds_.width(), bounds_.height());
    setGeometry(bounds_);
    if (mode == Mode::Area)
        area_ = start.intersected(bounds_);
}

std::optional<platform::DesktopWindow> AreaPicker::pick()
{
    show();
    activateWindow();
    raise();
    grabKeyboard();
    QEventLoop loop;
    connect(this, &AreaPicker::done, &loop, &QEventLoop::quit);
    loop.exec();
    releaseKeyboard();
    hide();
    if (!accepted_)
        return std::nullopt;
    if (mode_ == Mode::Window)
        return window_;
    const QRect a = area_.normalized().intersected(bounds_);
    if (a.width() < 2 || a.height() < 2)
        return std::nullopt;
    return platform::DesktopWindow{0, {a.x(), a.y(), a.width(), a.height()}, {}};
}

void AreaPicker::finish(bool accepted)
{
    accepted_ = accepted;
    emit done();
}

int AreaPicker::grip(const QPoint& p) const
{
    const QRect a = area_.normalized();
    if (a.isEmpty() || !a.adjusted(-kGripPixels, -kGripPixels, kGripPixels, kGripPixels).contains(p))
        return -1;
    int edges = 0;
    if (std::abs(p.x() - a.left()) <= kGripPixels)
        edges |= kLeft;
    else if (std::abs(p.x() - a.right()) <= kGripPixels)
        edges |= kRight;
    if (std::abs(p.y() - a.top()) <= kGripPixels)
        edges |= kTop;
    else if (std::abs(p.y() - a.bottom()) <= kGripPixels)
        edges |= kBottom;
    return edges;
}

void AreaPicker::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, desktop_);
    painter.fillRect(rect(), QColor(0, 0, 0, 110));
    const QRect shown = mode_ == Mode::Window
        ? (window_ ? QRect(window_->area.x, window_->area.y, window_->area.width, window_->area.height) : QRect())
        : area_.normalized();
    const QRect local = shown.translated(-bounds_.topLeft());
    if (!local.isEmpty()) {
        painter.drawPixmap(local, desktop_, local);
        painter.setPen(QPen(QColor(255, 64, 64), 2));
        painter.drawRect(local.adjusted(1, 1, -1, -1));
    }
    QString hint = GuiText(mode_ == Mode::Area ? "MainWnd/PickArea" : "MainWnd/PickWindow");
    if (!shown.isEmpty())
        hint = QStringLiteral("%1 × %2    ").arg(shown.width()).arg(shown.height()) + hint;
    painter.setPen(Qt::white);
    QFont big = font();
    big.setPointSize(14);
    painter.setFont(big);
    const QRect box = painter.fontMetrics().boundingRect(hint).adjusted(-10, -6, 10, 6);
    const QPoint at = local.isEmpty() || local.top() < box.height() + 8 ? QPoint(20, 20)
                                                                         : local.topLeft() - QPoint(0, box.height() + 4);
    painter.fillRect(box.translated(at - box.topLeft()), QColor(0, 0, 0, 200));
    painter.drawText(box.translated(at - box.topLeft()), Qt::AlignCenter, hint);
}

void AreaPicker::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint() + bounds_.topLeft();
    if (mode_ == Mode::Window) {
        if (window_)
            finish(true);
        return;
    }
    held_ = grip(p);
    pressedAt_ = p;
    pressedArea_ = area_.normalized();
    if (held_ < 0)
        area_ = QRect(p, QSize(1, 1));
}

void AreaPicker::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint() + bounds_.topLeft();
    if (mode_ == Mode::Window) {
        const std::vector<std::uint64_t> overlay{static_cast<std::uint64_t>(winId())};
        window_ = platform::windowAt(display_, p.x(), p.y(), overlay);
        update();
        return;
    }
    if (!(event->buttons() & Qt::LeftButton)) {
        const int g = grip(p);
        setCursor(g == (kLeft | kTop) || g == (kRight | kBottom)   ? Qt::SizeFDiagCursor
                  : g == (kRight | kTop) || g == (kLeft | kBottom) ? Qt::SizeBDiagCursor
                  : g == kLeft || g == kRight                      ? Qt::SizeHorCursor
                  : g == kTop || g == kBottom                      ? Qt::SizeVerCursor
                  : g == 0                                         ? Qt::SizeAllCursor
                                                                   : Qt::CrossCursor);
        return;
    }
    const QPoint d = p - pressedAt_;
    QRect a = pressedArea_;
    if (held_ < 0) {
        // The pixels between the press and the pointer, as far as it went.
        a = QRect(QPoint(std::min(pressedAt_.x(), p.x()), std::min(pressedAt_.y(), p.y())),
                  QSize(std::abs(d.x()), std::abs(d.y())));
    } else if (held_ == 0) {
        a.translate(d);
    } else {
        if (held_ & kLeft)
            a.setLeft(a.left() + d.x());
        if (held_ & kRight)
            a.setRight(a.right() + d.x());
        if (held_ & kTop)
            a.setTop(a.top() + d.y());
        if (held_ & kBottom)
            a.setBottom(a.bottom() + d.y());
    }
    area_ = a.normalized();
    update();
}

void AreaPicker::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        held_ = -1;
}

void AreaPicker::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && mode_ == Mode::Area && !area_.isEmpty())
        finish(true);
}

void AreaPicker::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        finish(false);
    else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
             && (mode_ == Mode::Window ? window_.has_value() : !area_.isEmpty()))
        finish(true);
}

} // namespace ui
