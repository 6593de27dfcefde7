#pragma once
// A full-screen overlay over a still picture of the desktop, on which the
// user drags the area to record (edges and corners adjustable, the size in
// pixels shown; Enter or a double click accepts, Esc cancels) or clicks the
// window to record (the window under the pointer is outlined).
#include "platform/screen_layout.h"

#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <optional>

namespace ui {

class AreaPicker : public QWidget {
    Q_OBJECT
public:
    enum class Mode { Area, Window };
    // `start`: the area offered at first (the last one chosen), in desktop
    // pixels; may be empty.
    AreaPicker(Mode mode, const QRect& start, const std::string& display);

    // Shows the overlay and waits for the user. The chosen area, in desktop
    // pixels and clamped to the desktop, or none when cancelled; a window
    // comes with its handle.
    std::optional<platform::DesktopWindow> pick();

    // For tests: the area as it stands, in desktop pixels.
    QRect area() const { return area_; }

signals:
    void done();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Which edges a press at `p` takes hold of (bits: left 1, top 2, right 4,
    // bottom 8); 0 inside to move, -1 outside to drag anew.
    int grip(const QPoint& p) const;
    void finish(bool accepted);

    const Mode mode_;
    const std::string display_;
    QPixmap desktop_;
    QRect bounds_; // the desktop, in desktop pixels
    QRect area_;
    std::optional<platform::DesktopWindow> window_;
    int held_ = -1;
    QPoint pressedAt_;
    QRect pressedArea_;
    bool accepted_ = false;
};

} // namespace ui
