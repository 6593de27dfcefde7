#pragma once
// The program's own modal message box in its dark-and-grey look: a question
// with OK and NO, or a notice with OK and a close button. The caller places
// it, fills it, runs exec() and reads GetResult().
#include <QDialog>
#include <QPoint>

class QLabel;
class QMouseEvent;
class QPushButton;

namespace ui {

class FocusReturn;

class CMessageBox : public QDialog {
    Q_OBJECT
public:
    CMessageBox();

    void InitQuestion(const QString& text);
    void InitInfo(const QString& text);
    // Taller, after an Init, when the message needs more lines than fit.
    void growToFitMessage();
    // 1 after OK, else 0.
    int GetResult() const { return m_result; }

    QLabel* messageLabel() const { return m_message; }

public slots:
    void btnSlotOK();
    void btnSlotNO();
    void btnSlot();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // The title bar, message row and button bar both kinds share; returns
    // the button bar, on which the caller places its buttons.
    QLabel* buildLayout(const QString& title, int titleX, const char* icon, const QString& text);
    QPushButton* addButton(QWidget* bar, const char* key, int x);

    QPoint m_dragOffset;
    QLabel* m_titleBar = nullptr;
    QLabel* m_message = nullptr;
    int m_result = 0;
    ui::FocusReturn* m_focus = nullptr;
};

} // namespace ui
