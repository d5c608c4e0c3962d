#pragma once
#include <QObject>
#include <QString>

class QLocalServer;

namespace mox {

// How a second start reaches the running copy on a desktop without a tray,
// where the learning window could otherwise not be called up: the running
// copy listens on a local socket beside its lock file ("Mox!.socket" for
// "Mox!.lock"), and a second start asks it to show the window before it
// ends. Only the user can reach the socket (it lives in the user's runtime
// folder, and the server refuses other users).
class ShowRequests final : public QObject {
    Q_OBJECT
public:
    // lockFileName: the running copy's lock file (InstanceLock::fileName()).
    explicit ShowRequests(QString lockFileName, QObject* parent = nullptr);
    ~ShowRequests() override;

    // Starts listening; to be called only by the copy that holds the lock, so
    // a socket left by a copy that died is taken over. False when the socket
    // cannot be made.
    bool listen();

    // Stops listening and removes the socket (a tray came, or the program
    // ends); harmless when not listening.
    void close();

    // From a second start: asks the running copy to show its window. False
    // when no copy listens (it has a tray, or it is not there).
    bool askRunningCopy(int timeoutMs = 2000);

    QString socketName() const { return socketName_; }

signals:
    void showRequested();

private:
    QString socketName_;
    QLocalServer* server_ = nullptr;
};

} // namespace mox
