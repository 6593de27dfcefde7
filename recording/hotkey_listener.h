#pragma once
// The global hotkeys of a recording, heard on a thread of their own (X11,
// Windows) or through the desktop's shortcuts portal (Wayland), and handed
// to the interface thread as signals. QtCore only.
#include "platform/global_hotkeys.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace portal {
class GlobalShortcutsPortal;
}

namespace recording {

class HotkeyListener : public QObject {
    Q_OBJECT
public:
    enum Action { StartStop = 0, PauseResume = 1 };

    explicit HotkeyListener(QObject* parent = nullptr);
    ~HotkeyListener() override;

    // False where this desktop has no hotkeys this program can take (a
    // Wayland desktop whose portal offers no shortcuts).
    bool available() const { return hotkeys_ != nullptr || portal_ != nullptr; }
    // Takes the keys, in Action order; one answer each: false when another
    // program holds it or it names no key. Empty when none are available.
    // Through the portal the desktop binds them later, after asking the user
    // if it likes, under `descriptions` (in Action order too): a key that
    // names one is answered true.
    std::vector<bool> hold(const std::vector<std::string>& keys, const QStringList& descriptions = {});

signals:
    void pressed(int action);

private:
    std::unique_ptr<platform::GlobalHotkeys> hotkeys_;
    portal::GlobalShortcutsPortal* portal_ = nullptr; // a child
    std::jthread thread_;
};

} // namespace recording
