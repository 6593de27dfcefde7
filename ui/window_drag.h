#pragma once
// Moves a frameless window when the user drags any spot that no child takes
// (bands, labels, empty space). The window system's own move is used where it
// is offered; elsewhere (a bare X server) the window is moved by hand.
#include <QObject>
#include <QPoint>

class QWidget;

namespace ui {

class WindowDrag : public QObject {
public:
    // Watches `window`; lives as its child.
    explicit WindowDrag(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    bool dragging_ = false;
    QPoint grabOffset_; // cursor position relative to the window's top-left
};

} // namespace ui
