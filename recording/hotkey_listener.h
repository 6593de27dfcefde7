#pragma once
// The global hotkeys of a recording, heard on a thread of their own and
// handed to the interface thread as signals. QtCore only.
#include "platform/global_hotkeys.h"

#include <QObject>

#include <memory>
#include <string>
#include <thread>
#include <vector>

class HotkeyListener : public QObject {
    Q_OBJECT
public:
    enum Action { StartStop = 0 };

    explicit HotkeyListener(QObject* parent = nullptr);
    ~HotkeyListener() override;

    // False where this desktop has no hotkeys this program can take.
    bool available() const { return hotkeys_ != nullptr; }
    // Takes the keys, in Action order; one answer each: false when another
    // program holds it or it names no key. Empty when none are available.
    std::vector<bool> hold(const std::vector<std::string>& keys);

signals:
    void pressed(int action);

private:
    std::unique_ptr<platform::GlobalHotkeys> hotkeys_;
    std::jthread thread_;
};
