// The hotkeys on the private Wayland desktop (scripts/wayland-session.sh),
// whose portal casts the screen but binds no shortcuts: none are available.
#include "portal/global_shortcuts_portal.h"
#include "recording/hotkey_listener.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>

#include <cstdlib>
#include <gtest/gtest.h>

using portal::GlobalShortcutsPortal;
using recording::HotkeyListener;

TEST(WaylandHotkeys, APortalWithoutShortcutsLeavesNoHotkeyAvailable)
{
    if (!std::getenv("WAYLAND_DISPLAY") || !std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        GTEST_SKIP() << "needs scripts/wayland-session.sh";
    // The portal is there: it answers for the screen cast.
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.freedesktop.portal.ScreenCast") << QStringLiteral("version");
    const QDBusReply<QDBusVariant> screenCast = QDBusConnection::sessionBus().call(get, QDBus::Block, 10000);
    ASSERT_TRUE(screenCast.isValid()) << screenCast.error().message().toStdString();

    EXPECT_FALSE(GlobalShortcutsPortal::offered());
    HotkeyListener listener;
    EXPECT_FALSE(listener.available());
    EXPECT_TRUE(listener.hold({"Ctrl+Shift+F9", "Ctrl+Shift+F10"}).empty());
}
