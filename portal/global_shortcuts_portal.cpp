#include "portal/global_shortcuts_portal.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>

#include <atomic>

namespace {

// One entry of a(sa{sv}), the shortcuts BindShortcuts takes and answers.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace {

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

QDBusConnection bus() { return QDBusConnection::sessionBus(); }

QString newToken()
{
    // Unique in the process: a handle still known to the portal is refused.
    static std::atomic<int> count{0};
    return QStringLiteral("vtrkeys%1_%2").arg(QCoreApplication::applicationPid()).arg(++count);
}

// The portal named the session as a string in its first versions, as an
// object path later.
QString pathOf(const QVariant& value)
{
    return value.userType() == qMetaTypeId<QDBusObjectPath>() ? value.value<QDBusObjectPath>().path()
                                                              : value.toString();
}

} // namespace

namespace portal {

bool GlobalShortcutsPortal::offered()
{
    if (!bus().isConnected())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kShortcuts << QStringLiteral("version");
    // The first call may start the portal: give it time, but not forever.
    const QDBusReply<QDBusVariant> reply = bus().call(get, QDBus::Block, 5000);
    return reply.isValid() && reply.value().variant().toUInt() >= 1;
}

GlobalShortcutsPortal::GlobalShortcutsPortal(QObject* parent) : QObject(parent)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    bus().connect(kService, kPath, kShortcuts, QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

GlobalShortcutsPortal::~GlobalShortcutsPortal()
{
    stopListening();
    close();
}

void GlobalShortcutsPortal::close()
{
    if (session_.isEmpty())
        return;
    // Not waited for: the session ends with this program's connection anyway.
    bus().send(QDBusMessage::createMethodCall(kService, session_, QStringLiteral("org.freedesktop.portal.Session"),
                                              QStringLiteral("Close")));
    session_.clear();
}

void GlobalShortcutsPortal::stopListening()
{
    if (requestPath_.isEmpty())
        return;
    bus().disconnect(kService, requestPath_, kRequest, QStringLiteral("Response"), this,
                     SLOT(onResponse(uint, QVariantMap)));
    requestPath_.clear();
}

void GlobalShortcutsPortal::fail(const QString& error)
{
    stopListening();
    close();
    stage_ = Stage::Idle;
    emit failed(error);
}

void GlobalShortcutsPortal::request(const QString& method, const QList<QVariant>& args)
{
    // The answer comes as a signal on a request object whose path is known
    // in advance: listen before calling, or a quick answer is lost.
    stopListening();
    const QString token = args.last().toMap().value(QStringLiteral("handle_token")).toString();
    QString sender = bus().baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    requestPath_ = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    bus().connect(kService, requestPath_, kRequest, QStringLiteral("Response"), this,
                  SLOT(onResponse(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kShortcuts, method);
    call.setArguments(args);
    auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(call), this);
    const int made = ++requests_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, method, made](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        // An error counts only while no newer request was made.
        if (call->isError() && made == requests_)
            fail(method + QStringLiteral(": ") + call->error().message());
    });
}

void GlobalShortcutsPortal::bind(const std::vector<Shortcut>& shortcuts)
{
    ++requests_;
    stopListening();
    close();
    wanted_ = shortcuts;
    stage_ = Stage::Idle;
    if (shortcuts.empty())
        return;
    stage_ = Stage::CreatingSession;
    request(QStringLiteral("CreateSession"),
            {QVariantMap{{QStringLiteral("handle_token"), newToken()},
                         {QStringLiteral("session_handle_token"), newToken()}}});
}

void GlobalShortcutsPortal::onResponse(uint response, const QVariantMap& results)
{
    stopListening();
    if (response != 0) {
        fail(QStringLiteral("refused (%1)").arg(response));
        return;
    }
    if (stage_ == Stage::CreatingSession) {
        session_ = pathOf(results.value(QStringLiteral("session_handle")));
        if (session_.isEmpty()) {
            fail(QStringLiteral("CreateSession: no session"));
            return;
        }
        QList<PortalShortcut> list;
        for (const Shortcut& shortcut : wanted_)
            list.append({shortcut.id,
                         {{QStringLiteral("description"), shortcut.description},
                          {QStringLiteral("preferred_trigger"), shortcut.trigger}}});
        stage_ = Stage::Binding;
        request(QStringLiteral("BindShortcuts"),
                {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(list), QString(),
                 QVariantMap{{QStringLiteral("handle_token"), newToken()}}});
    } else if (stage_ == Stage::Binding) {
        stage_ = Stage::Idle;
        QStringList ids;
        for (const PortalShortcut& shortcut :
             qdbus_cast<QList<PortalShortcut>>(results.value(QStringLiteral("shortcuts"))))
            ids << shortcut.id;
        emit bound(ids);
    }
}

void GlobalShortcutsPortal::onActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                        const QVariantMap&)
{
    if (!session_.isEmpty() && session.path() == session_)
        emit activated(id);
}

} // namespace portal
