#pragma once
// The desktop's global-shortcuts portal over D-Bus (Wayland): keys the
// desktop itself hands to this program, whichever window has the focus. The
// desktop may first ask the user which keys to use, so a binding is answered
// later through the event loop and never waited for. QtCore and QtDBus only;
// one thread, whose event loop carries the answers.
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <vector>

class QDBusObjectPath;

namespace portal {

class GlobalShortcutsPortal : public QObject {
    Q_OBJECT
public:
    struct Shortcut {
        QString id;          // the desktop keeps the user's choice under it, across runs
        QString description; // what the desktop shows beside the key
        QString trigger;     // the key asked for, as the shortcuts specification writes it: "CTRL+SHIFT+F9"
    };

    // True when the session bus has a portal that offers the interface (it
    // answers for its version). Waits a few seconds at most.
    static bool offered();

    explicit GlobalShortcutsPortal(QObject* parent = nullptr);
    // Closes the session: the desktop lets the keys go.
    ~GlobalShortcutsPortal() override;

    // Lets go of the shortcuts bound before and asks for `shortcuts` in a
    // session of their own; none when empty.
    void bind(const std::vector<Shortcut>& shortcuts);

signals:
    // A bound shortcut was pressed.
    void activated(const QString& id);
    // The desktop's answer to bind(): the ids it bound, or why it bound none.
    void bound(const QStringList& ids);
    void failed(const QString& error);

private slots:
    void onResponse(uint response, const QVariantMap& results);
    void onActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                     const QVariantMap& options);

private:
    enum class Stage { Idle, CreatingSession, Binding };
    // Calls `method` with `args`, whose last one holds the handle_token; its
    // answer comes to onResponse.
    void request(const QString& method, const QList<QVariant>& args);
    void stopListening();
    void close();
    void fail(const QString& error);

    Stage stage_ = Stage::Idle;
    int requests_ = 0;    // made so far: an older one's error is stale
    QString requestPath_; // the pending request's answer comes from there
    QString session_;
    std::vector<Shortcut> wanted_;
};

} // namespace portal
