#pragma once
// A screen-cast session with the desktop's portal: the whole monitor with the
// cursor drawn in, as one PipeWire stream and a descriptor of the PipeWire
// remote to read it from. Blocking calls with a local event loop, so any
// thread can use it. QtCore and QtDBus only; the header names no D-Bus type,
// so a system without a session bus builds the same callers against
// screencast_portal_none.cpp.
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

class QDBusUnixFileDescriptor;

namespace portal {

class ScreenCastPortal : public QObject {
    Q_OBJECT
public:
    enum Result {
        Ok,
        NoPortal, // no session bus, or no screen-cast portal on it
        Refused,  // the user or the desktop said no
        Failed,   // the portal answered with an error or not in time
    };

    explicit ScreenCastPortal(QObject* parent = nullptr);
    // Closes the session: the desktop stops the stream.
    ~ScreenCastPortal() override;

    // Asks for the monitor. `restoreToken` from an earlier session lets the
    // desktop skip its question. `cancelled` is polled while waiting for the
    // desktop (which may be asking the user) and ends the wait with Failed.
    Result open(const QString& restoreToken, const std::function<bool()>& cancelled = {});

    // Valid after Ok; the descriptor stays open while this object lives.
    int pipeWireFd() const;
    quint32 node() const { return node_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // A token for the next open(), empty when the desktop gave none.
    QString restoreToken() const { return restoreToken_; }
    // What went wrong, for the log.
    QString errorText() const { return error_; }

private slots:
    void onResponse(uint response, const QVariantMap& results);

private:
    Result request(const QString& method, const QList<QVariant>& args, QVariantMap& results,
                   const std::function<bool()>& cancelled);
    QString newToken();
    void close();

    QString session_;
    std::unique_ptr<QDBusUnixFileDescriptor> remote_;
    quint32 node_ = 0;
    int width_ = 0;
    int height_ = 0;
    QString restoreToken_;
    QString error_;
    // The pending request's answer.
    bool answered_ = false;
    uint response_ = 2;
    QVariantMap results_;
};

} // namespace portal
