#include "ui/window_drag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace ui {

WindowDrag::WindowDrag(QWidget* window) : QObject(window), window_(window) { window->installEventFilter(this); }

bool WindowDrag::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != window_)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton)
            return false;
        // Presses that a child took never reach the window, so whatever
        // arrives here is a spot the user may drag by.
        QWindow* handle = window_->windowHandle();
        if (handle && handle->startSystemMove())
            return true;
        dragging_ = true;
        grabOffset_ = e->globalPosition().toPoint() - window_->frameGeometry().topLeft();
        return true;
    }
    case QEvent::MouseMove:
        if (dragging_) {
            window_->move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - grabOffset_);
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        if (dragging_) {
            dragging_ = false;
            return true;
        }
        return false;
    default:
        return false;
    }
}

} // namespace ui
