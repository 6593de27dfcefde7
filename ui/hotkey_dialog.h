#pragma once
// The recording's hotkeys, chosen from the main menu: one key combination
// each for start/stop and pause/resume, typed into its field (Esc or
// Backspace empties it: no hotkey). OK stores both in ScreenRecord.ini unless
// one names a key no back end can take or both name the same; the caller
// then takes them anew.
#include <QDialog>
#include <QString>

#include <string>

class QGridLayout;
class QHBoxLayout;
class QKeySequenceEdit;
class QLabel;
class QPushButton;

namespace ui {

class HotkeyDialog : public QDialog {
    Q_OBJECT
public:
    // `available` false: this desktop takes no global hotkeys, which the
    // dialog says; the keys are stored all the same, for another desktop.
    HotkeyDialog(QWidget* parent, const QString& settingsPath, bool available);

    QKeySequenceEdit* startStopEdit() const { return startStop_; }
    QKeySequenceEdit* pauseResumeEdit() const { return pauseResume_; }
    // Why OK was refused; hidden until it is.
    QLabel* problemLabel() const { return problem_; }
    // Shown where no global hotkeys are available.
    QLabel* unavailableLabel() const { return unavailable_; }
    // After OK: false when the settings file could not be written.
    bool stored() const { return stored_; }

    void accept() override;

private:
    QKeySequenceEdit* addRow(QGridLayout* grid, const char* caption, const std::string& stored, const QString& hint);
    QPushButton* addButton(QHBoxLayout* row, const char* caption);
    void showProblem(const QString& text);

    QString settingsPath_;
    QKeySequenceEdit* startStop_ = nullptr;
    QKeySequenceEdit* pauseResume_ = nullptr;
    QLabel* problem_ = nullptr;
    QLabel* unavailable_ = nullptr;
    bool stored_ = false;
};

} // namespace ui
