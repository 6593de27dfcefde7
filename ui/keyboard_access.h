#pragma once
// What makes a window usable by keyboard and screen reader and legible in a
// long translation: names for controls that show only an image, Enter
// pressing the focused button, a visible focus mark, texts that fit their
// fixed places, and dialogs that take the focus and give it back.
#include <QObject>
#include <QPointer>
#include <QString>

#include <vector>

class QAbstractButton;
class QLabel;
class QTableWidget;
class QWidget;


// The focus mark of push buttons, added to their style sheets: it reads on
// the dark bands and on the grey panels alike.

namespace ui {

inline const QString kFocusMark = QStringLiteral("QPushButton:focus{border: 2px solid rgb(255, 170, 0);}");
// The same for tables, set on their page: a table's own style sheet may be
// a bare declaration, which takes no selector beside it.
inline const QString kTableFocusMark = QStringLiteral("QTableWidget:focus{border: 2px solid rgb(255, 170, 0);}");

// Name and tooltip of a button that shows an image only.
void nameImageButton(QAbstractButton* button, const QString& name);

// A label's text without the colon that ends it on screen ("Save to:"), as
// the name of the field it describes.
QString withoutColon(QString text);

// Enter and Return press every push button under `root` that has the focus,
// as Space does; menu buttons open their menu.
void pressOnEnter(QWidget* root);

// The width a label's or a button's text needs, icon and padding included.
int neededWidth(const QWidget* widget);

// Widgets placed along one row, left to right: each one narrower than its
// text needs is widened and the ones after it move right; a row that then
// runs past `right` moves left as a whole, never past `left`.
void widenRow(const std::vector<QWidget*>& row, int left, int right);

// A caption placed just before its field: a caption wider than its place
// takes the room it needs from the field.
void fitCaption(QLabel* caption, QWidget* field);

// Widens the columns of `table` (all but a stretched last one) whose header
// text does not fit.
void fitHeaders(QTableWidget* table);

// Makes `dialog`, whenever it is shown, the active window with `initial`
// focused (without one, the dialog's own choice), and gives the focus back to the control
// that held it before once the dialog is hidden. Lives as its child.
class FocusReturn : public QObject {
public:
    FocusReturn(QWidget* dialog, QWidget* initial = nullptr);
    void setInitial(QWidget* initial) { initial_ = initial; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* dialog_;
    QPointer<QWidget> initial_;
    QPointer<QWidget> previous_;
};

} // namespace ui
