#pragma once
// The notification-area icon and its menu, the user's handle on the program
// while a recording hides the window. Its three entries keep a fixed order:
// Pause/Resume (enabled while recording), Stop/Start, Quit.
#include "recording/record_tick.h"

#include <QObject>
#include <QSystemTrayIcon>

class QAction;
class QMenu;
class QWidget;

namespace ui {

class RecordTray : public QObject {
    Q_OBJECT
public:
    explicit RecordTray(QWidget* window);
    ~RecordTray() override;

    // Replaces the icon and its menu with new ones, visible only while a
    // recording runs.
    void build(bool recording);
    bool built() const { return icon_ != nullptr; }

    QSystemTrayIcon* icon() const { return icon_; }
    // Entry 1, 2 or 3 of the menu.
    QAction* entry(int position) const;

    void showStarted();
    void showStopped();
    // The first entry offers Resume while paused, and the icon shows the pause.
    void showPaused(bool paused);
    void setImage(recording::TrayImage image);
    // A passing message from the icon, while it shows.
    void showNotice(const QString& title, const QString& text);

signals:
    void pauseTriggered();
    void stopTriggered();
    void quitTriggered();
    void activated(QSystemTrayIcon::ActivationReason reason);

private:
    void clear();

    QWidget* window_;
    QSystemTrayIcon* icon_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* entries_[3] = {};
};

} // namespace ui
