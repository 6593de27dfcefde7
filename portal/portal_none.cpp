// A system without a session bus (Windows): the desktop offers no screen
// cast and no global shortcuts through a portal. The window there records
// through the encoder's own grab and takes its hotkeys from the system, so
// the callers only ever learn that no portal is there.
#include "portal/global_shortcuts_portal.h"
#include "portal/screencast_portal.h"

class QDBusUnixFileDescriptor { };

namespace portal {

ScreenCastPortal::ScreenCastPortal(QObject* parent) : QObject(parent) { }

ScreenCastPortal::~ScreenCastPortal() = default;

ScreenCastPortal::Result ScreenCastPortal::open(const QString&, const std::function<bool()>&)
{
    error_ = QStringLiteral("no session bus on this system");
    return NoPortal;
}

int ScreenCastPortal::pipeWireFd() const { return -1; }

void ScreenCastPortal::onResponse(uint, const QVariantMap&) { }

bool GlobalShortcutsPortal::offered() { return false; }

GlobalShortcutsPortal::GlobalShortcutsPortal(QObject* parent) : QObject(parent) { }

GlobalShortcutsPortal::~GlobalShortcutsPortal() = default;

void GlobalShortcutsPortal::bind(const std::vector<Shortcut>&) { emit failed(QStringLiteral("no session bus on this system")); }

void GlobalShortcutsPortal::onResponse(uint, const QVariantMap&) { }

void GlobalShortcutsPortal::onActivated(const QDBusObjectPath&, const QString&, qulonglong, const QVariantMap&) { }

} // namespace portal
