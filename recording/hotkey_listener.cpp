#include "recording/hotkey_listener.h"

#include "platform/desktop.h"
#include "platform/hotkey_name.h"
#include "platform/worker_thread.h"
#include "portal/global_shortcuts_portal.h"
#include "util/debug_log.h"

#include <QMetaObject>

#include <iterator>

using portal::GlobalShortcutsPortal;

namespace recording {

using util::DebugLog;

namespace {

// How long a wait for a press lasts before the thread looks for its stop.
constexpr int kWaitMs = 100;

// The portal's names of the actions, in Action order: the desktop keeps the
// user's choice of key under them.
const char* const kShortcutIds[] = {"start-stop", "pause-resume"};

} // namespace

HotkeyListener::HotkeyListener(QObject* parent) : QObject(parent)
{
    const platform::Desktop desktop = platform::currentDesktop();
    if (desktop.grab == platform::DesktopGrab::PipeWire) {
        if (!GlobalShortcutsPortal::offered())
            return;
        portal_ = new GlobalShortcutsPortal(this);
        connect(portal_, &GlobalShortcutsPortal::activated, this, [this](const QString& id) {
            for (int action = 0; action < static_cast<int>(std::size(kShortcutIds)); ++action)
                if (id == QLatin1String(kShortcutIds[action]))
                    emit pressed(action);
        });
        connect(portal_, &GlobalShortcutsPortal::failed, this,
                [](const QString& error) { DebugLog("global shortcuts: " + error.toStdString()); });
        return;
    }
    hotkeys_ = platform::openGlobalHotkeys(desktop.display);
    if (!hotkeys_)
        return;
    thread_ = platform::startWorker([this](std::stop_token stop) {
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

std::vector<bool> HotkeyListener::hold(const std::vector<std::string>& keys, const QStringList& descriptions)
{
    if (hotkeys_)
        return hotkeys_->hold(keys);
    if (!portal_)
        return {};
    std::vector<bool> named;
    std::vector<GlobalShortcutsPortal::Shortcut> shortcuts;
    for (std::size_t i = 0; i < keys.size() && i < std::size(kShortcutIds); ++i) {
        const auto name = platform::parseHotkeyName(keys[i]);
        named.push_back(name.has_value());
        if (name)
            shortcuts.push_back({QString::fromLatin1(kShortcutIds[i]),
                                 i < static_cast<std::size_t>(descriptions.size()) ? descriptions[i] : QString(),
                                 QString::fromStdString(platform::shortcutTrigger(*name))});
    }
    named.resize(keys.size(), false);
    portal_->bind(shortcuts);
    return named;
}

} // namespace recording
