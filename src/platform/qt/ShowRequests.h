#pragma once
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QString>

class QSocketNotifier;

namespace mox {

// How a second start reaches the running copy on a desktop without a tray,
// where the learning window could otherwise not be called up: the running
// copy listens on a Unix socket beside its lock file ("Mox!.socket" for
// "Mox!.lock"), and a second start asks it to show the window before it
// ends. Only the user can reach the socket (it lives in the user's runtime
// folder, it is the user's alone, and a peer of another user is refused).
// Plain sockets watched by the event loop: no network library is loaded
// for this.
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
    struct Client;
    void acceptClients();
    void readClient(int fd);
    void dropClient(int fd);

    QString socketName_;
    int listener_ = -1;
    QSocketNotifier* listening_ = nullptr;
    std::vector<std::unique_ptr<Client>> clients_;
};

} // namespace mox
