#include "portal/screencast_portal.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

#include <atomic>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

constexpr uint kSourceMonitor = 1;
constexpr uint kSourceWindow = 2;
constexpr uint kCursorEmbedded = 2;
constexpr uint kPersistUntilRevoked = 2;
// The desktop may ask the user: a long wait, but not forever.
constexpr int kAnswerTimeoutMs = 120000;

QDBusConnection bus() { return QDBusConnection::sessionBus(); }

uint portalProperty(const char* name, uint fallback)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kScreenCast << QString::fromLatin1(name);
    const QDBusReply<QDBusVariant> reply = bus().call(get, QDBus::Block, 5000);
    return reply.isValid() ? reply.value().variant().toUInt() : fallback;
}

// The first stream of Start's answer: a(ua{sv}), its size an (ii).
bool firstStream(const QVariant& streams, quint32& node, int& width, int& height)
{
    if (!streams.canConvert<QDBusArgument>())
        return false;
    const QDBusArgument array = streams.value<QDBusArgument>();
    array.beginArray();
    if (array.atEnd())
        return false;
    QVariantMap props;
    array.beginStructure();
    array >> node >> props;
    array.endStructure();
    const QVariant size = props.value(QStringLiteral("size"));
    if (size.canConvert<QDBusArgument>()) {
        const QDBusArgument pair = size.value<QDBusArgument>();
        pair.beginStructure();
        pair >> width >> height;
        pair.endStructure();
    }
    return true;
}

} // namespace

namespace portal {

ScreenCastPortal::ScreenCastPortal(QObject* parent) : QObject(parent) { }

ScreenCastPortal::~ScreenCastPortal() { close(); }

int ScreenCastPortal::pipeWireFd() const { return remote_ ? remote_->fileDescriptor() : -1; }

void ScreenCastPortal::close()
{
    if (session_.isEmpty())
        return;
    bus().call(QDBusMessage::createMethodCall(kService, session_, QStringLiteral("org.freedesktop.portal.Session"),
                                              QStringLiteral("Close")),
               QDBus::Block, 2000);
    session_.clear();
}

QString ScreenCastPortal::newToken()
{
    // Unique in the process: a handle still known to the portal is refused.
    static std::atomic<int> count{0};
    return QStringLiteral("vtr%1_%2").arg(QCoreApplication::applicationPid()).arg(++count);
}

void ScreenCastPortal::onResponse(uint response, const QVariantMap& results)
{
    answered_ = true;
    response_ = response;
    results_ = results;
}

ScreenCastPortal::Result ScreenCastPortal::request(const QString& method, const QList<QVariant>& args,
                                                   QVariantMap& results, const std::function<bool()>& cancelled)
{
    // The answer comes as a signal on a request object whose path is known
    // in advance: subscribe before calling, or a quick answer is lost.
    const QString token = args.last().toMap().value(QStringLiteral("handle_token")).toString();
    QString sender = bus().baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    answered_ = false;
    bus().connect(kService, path, kRequest, QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kScreenCast, method);
    call.setArguments(args);
    const QDBusMessage reply = bus().call(call, QDBus::Block, 10000);
    Result result = Ok;
    if (reply.type() == QDBusMessage::ErrorMessage) {
        error_ = method + QStringLiteral(": ") + reply.errorMessage();
        const QString name = reply.errorName();
        result = name.endsWith(QStringLiteral("ServiceUnknown")) || name.endsWith(QStringLiteral("UnknownInterface"))
                || name.endsWith(QStringLiteral("UnknownMethod"))
            ? NoPortal
            : Failed;
    } else {
        QEventLoop loop;
        const QDeadlineTimer deadline(kAnswerTimeoutMs);
        while (!answered_ && !deadline.hasExpired() && !(cancelled && cancelled()))
            loop.processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (!answered_) {
            error_ = method + QStringLiteral(": no answer");
            result = Failed;
        } else if (response_ != 0) {
            error_ = method + QStringLiteral(": refused (%1)").arg(response_);
            result = Refused;
        }
    }
    bus().disconnect(kService, path, kRequest, QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
    results = results_;
    return result;
}

ScreenCastPortal::Result ScreenCastPortal::open(const QString& restoreToken, const std::function<bool()>& cancelled)
{
    close();
    if (!bus().isConnected()) {
        error_ = QStringLiteral("no session bus");
        return NoPortal;
    }
    if (!bus().interface()->isServiceRegistered(kService).value()) {
        // D-Bus activation may still start it: try once.
        bus().interface()->startService(kService);
        if (!bus().interface()->isServiceRegistered(kService).value()) {
            error_ = QStringLiteral("no portal on the session bus");
            return NoPortal;
        }
    }

    QVariantMap results;
    Result r = request(QStringLiteral("CreateSession"),
                       {QVariantMap{{QStringLiteral("handle_token"), newToken()},
                                    {QStringLiteral("session_handle_token"), newToken()}}},
                       results, cancelled);
    if (r != Ok)
        return r;
    session_ = results.value(QStringLiteral("session_handle")).toString();

    // The user chooses a screen or a window in the desktop's own dialog,
    // where the desktop offers both.
    const uint types = portalProperty("AvailableSourceTypes", kSourceMonitor) & (kSourceMonitor | kSourceWindow);
    QVariantMap select{{QStringLiteral("handle_token"), newToken()},
                       {QStringLiteral("types"), types ? types : kSourceMonitor},
                       {QStringLiteral("multiple"), false}};
    if (portalProperty("AvailableCursorModes", 0) & kCursorEmbedded)
        select.insert(QStringLiteral("cursor_mode"), kCursorEmbedded);
    // Restore tokens came with version 4 of the interface.
    if (portalProperty("version", 1) >= 4) {
        select.insert(QStringLiteral("persist_mode"), kPersistUntilRevoked);
        if (!restoreToken.isEmpty())
            select.insert(QStringLiteral("restore_token"), restoreToken);
    }
    r = request(QStringLiteral("SelectSources"), {QVariant::fromValue(QDBusObjectPath(session_)), select}, results,
                cancelled);
    if (r != Ok)
        return r;

    r = request(QStringLiteral("Start"),
                {QVariant::fromValue(QDBusObjectPath(session_)), QString(),
                 QVariantMap{{QStringLiteral("handle_token"), newToken()}}},
                results, cancelled);
    if (r != Ok)
        return r;
    if (!firstStream(results.value(QStringLiteral("streams")), node_, width_, height_)) {
        error_ = QStringLiteral("Start: no stream");
        return Failed;
    }
    restoreToken_ = results.value(QStringLiteral("restore_token")).toString();

    QDBusMessage openRemote =
        QDBusMessage::createMethodCall(kService, kPath, kScreenCast, QStringLiteral("OpenPipeWireRemote"));
    openRemote << QVariant::fromValue(QDBusObjectPath(session_)) << QVariantMap();
    const QDBusReply<QDBusUnixFileDescriptor> fd = bus().call(openRemote, QDBus::Block, 10000);
    if (!fd.isValid() || !fd.value().isValid()) {
        error_ = QStringLiteral("OpenPipeWireRemote: ") + fd.error().message();
        return Failed;
    }
    remote_ = std::make_unique<QDBusUnixFileDescriptor>(fd.value());
    return Ok;
}

} // namespace portal
