#pragma once
// How a second copy reaches the one already running: the running copy
// listens on a local socket of the user's session and shows its main window
// when asked. The machine-wide lock itself is platform::IsAlreadyRunning().
#include <QObject>
#include <QPointer>
#include <QString>

class QLocalServer;
class QWidget;

// The socket's name: one per user, because the window a second copy can
// raise lives on that user's desktop.

namespace app {

QString RunningCopySocketName();

// Shows `window` in its normal state, also when it is hidden (in the tray)
// or minimised, and brings it to the front.
void ShowInNormalState(QWidget* window);

// Lives in the running copy, beside the main window.
class RunningCopyListener : public QObject {
    Q_OBJECT
public:
    // Starts listening; `window` is shown on every request while it exists.
    // Only the copy that holds the single-instance lock may create this: a
    // socket left by a copy that died is removed first.
    explicit RunningCopyListener(QWidget* window, QObject* parent = nullptr);
    bool isListening() const;

private:
    void answer();

    QLocalServer* server_;
    QPointer<QWidget> window_;
};

// From a second copy: asks the running copy to show its window. True once it
// answered that it did; false when no copy answered within `timeoutMs`.
// Blocks, without an event loop.
bool AskRunningCopyToShow(int timeoutMs = 3000);

// The box a second copy shows when the running copy cannot be reached (it
// runs for another user, or is not answering). Waits until it is closed.
void ShowIsRunningBox();

} // namespace app
