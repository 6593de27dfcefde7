#pragma once
// What a screen reader, a keyboard user and a reader of a long translation
// meet in a shown window, checked in process through QAccessible and real
// key events. Each check looks only at the widgets visible in `top` (so a
// stacked window is checked page by page) and answers one line per fault,
// naming the widget; an empty list means the check passed.
#include <QStringList>

class QWidget;

namespace a11y {

// Buttons, fields, lists, tables, sliders and combo boxes without an
// accessible name; a table also when a column has no header text, a slider
// when it exposes no value.
QStringList unnamedControls(QWidget* top);

struct NameCount {
    int controls = 0;
    int named = 0;
};
// The visible interactive controls of `top` and how many carry a name.
NameCount countNamed(QWidget* top);

// Presses Tab from the first control of the focus chain until focus comes
// back: every enabled visible control must be reached, each step must move
// forward in reading order (right along a row, else down), and no control
// may keep the focus. Leaves the focus where the walk ended.
QStringList tabOrderProblems(QWidget* top);

// Controls that look the same with and without the keyboard focus. Makes
// `top` the active window first: only there does a control hold the focus.
QStringList unmarkedFocus(QWidget* top);

// Label, button, combo box and table header texts wider or taller than the
// place they are drawn in, or drawn over a neighbouring widget.
QStringList textsThatDoNotFit(QWidget* top);

// Icons and pictures drawn from fewer pixels than the screen's device pixel
// ratio asks for (so they look blurred at 200 %).
QStringList blurryImages(QWidget* top);

// "QPushButton 'Close' at (970, 5)": a widget as a fault line names it.
QString describe(const QWidget* widget);

} // namespace a11y
