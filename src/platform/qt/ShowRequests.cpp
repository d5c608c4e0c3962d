#include "platform/qt/ShowRequests.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace mox {

namespace {

// The one request there is; anything else read from the socket is ignored.
constexpr char kShow[] = "show\n";

QString socketNameFor(const QString& lockFileName)
{
    QString name = lockFileName;
    if (name.endsWith(QLatin1String(".lock")))
        name.chop(5);
    return name + QStringLiteral(".socket");
}

} // namespace

ShowRequests::ShowRequests(QString lockFileName, QObject* parent)
    : QObject(parent), socketName_(socketNameFor(lockFileName))
{
}

ShowRequests::~ShowRequests()
{
    close();
}

void ShowRequests::close()
{
    if (server_ == nullptr)
        return;
    server_->close(); // removes the socket file
    delete server_;
    server_ = nullptr;
}

bool ShowRequests::listen()
{
    if (server_)
        return server_->isListening();
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // The lock is ours: a socket file still there belongs to a copy that died.
    QLocalServer::removeServer(socketName_);
    if (!server_->listen(socketName_))
        return false;
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                while (client->canReadLine()) {
                    if (client->readLine(64) == kShow) {
                        client->write("ok\n");
                        emit showRequested();
                    }
                }
            });
        }
    });
    return true;
}

bool ShowRequests::askRunningCopy(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketName_);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kShow);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The answer tells that the copy took the request.
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    return socket.readLine(64) == "ok\n";
}

} // namespace mox
