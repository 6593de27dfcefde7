#include "recording/hotkey_listener.h"

#include "platform/desktop.h"

#include <QMetaObject>

namespace {

// How long a wait for a press lasts before the thread looks for its stop.
constexpr int kWaitMs = 100;

} // namespace

HotkeyListener::HotkeyListener(QObject* parent)
    : QObject(parent), hotkeys_(platform::openGlobalHotkeys(platform::currentDesktop().display))
{
    if (!hotkeys_)
        return;
    thread_ = std::jthread([this](std::stop_token stop) {
        while (!stop.stop_requested()) {
            const int action = hotkeys_->waitForPress(kWaitMs);
            if (action >= 0)
                QMetaObject::invokeMethod(this, [this, action] { emit pressed(action); }, Qt::QueuedConnection);
        }
    });
}

HotkeyListener::~HotkeyListener()
{
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
}

std::vector<bool> HotkeyListener::hold(const std::vector<std::string>& keys)
{
    return hotkeys_ ? hotkeys_->hold(keys) : std::vector<bool>{};
}
