#include "app/running_copy.h"

#include "platform/single_instance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QWidget>
#include <algorithm>

namespace app {

namespace {

constexpr char kShowRequest[] = "show\n";
constexpr char kShownAnswer[] = "shown\n";

} // namespace

QString RunningCopySocketName()
{
    QString name = QString::fromLatin1(platform::kSingleInstanceName);
    name = name.mid(name.indexOf(QLatin1Char('\\')) + 1);
    return name + QLatin1Char('-') + QString::number(qHash(QDir::homePath()), 16);
}

void ShowInNormalState(QWidget* window)
{
    window->showNormal(); // clears minimised and maximised, maps a hidden window
    window->raise();
    window->activateWindow();
}

RunningCopyListener::RunningCopyListener(QWidget* window, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), window_(window)
{
    // Only this user's own copies may ask.
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(RunningCopySocketName());
    server_->listen(RunningCopySocketName());
    connect(server_, &QLocalServer::newConnection, this, &RunningCopyListener::answer);
}

bool RunningCopyListener::isListening() const { return server_->isListening(); }

void RunningCopyListener::answer()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine() == kShowRequest && window_) {
                ShowInNormalState(window_);
                socket->write(kShownAnswer);
            }
            socket->disconnectFromServer(); // after the answer is written
        });
    }
}

bool AskRunningCopyToShow(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    const auto left = [&] { return std::max(0, timeoutMs - static_cast<int>(timer.elapsed())); };
    QLocalSocket socket;
    socket.connectToServer(RunningCopySocketName());
    if (!socket.waitForConnected(left()))
        return false;
    socket.write(kShowRequest);
    if (!socket.waitForBytesWritten(left()))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(left()))
            return false;
    }
    return socket.readLine() == kShownAnswer;
}

void ShowIsRunningBox()
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Register"),
                    QStringLiteral("Vantreel Screen Recorder is running."), QMessageBox::Ok, nullptr,
                    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    box.setStyleSheet(QStringLiteral("background-color:white"));
    box.exec();
}

} // namespace app
