#pragma once
// The countdown before a recording starts: a large number over the middle of
// the part about to be recorded, one a second. It is gone from the screen
// before the first frame is taken.
#include <QRect>
#include <QWidget>

namespace ui {

class CountdownOverlay : public QWidget {
    Q_OBJECT
public:
    CountdownOverlay();

    // Counts `seconds` down over `area` (desktop pixels). True when it ran
    // out; false when Esc or cancel() ended it.
    bool run(int seconds, const QRect& area);
    void cancel();
    // The number shown now; 0 when none.
    int shown() const { return left_; }

signals:
    void ended();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int left_ = 0;
    bool cancelled_ = false;
};

} // namespace ui
