#include "platform/qt/ShowRequests.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <QFile>
#include <QSocketNotifier>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace mox {

namespace {

// The one request there is; anything else read from the socket is ignored.
constexpr char kShow[] = "show\n";
constexpr char kTaken[] = "ok\n";
// No request line is longer; a client that sends more is dropped.
constexpr std::size_t kLongestLine = 64;

QString socketNameFor(const QString& lockFileName)
{
    QString name = lockFileName;
    if (name.endsWith(QLatin1String(".lock")))
        name.chop(5);
    return name + QStringLiteral(".socket");
}

// The address of `path`; false when the path does not fit.
bool addressOf(const QString& path, sockaddr_un& address)
{
    const QByteArray bytes = QFile::encodeName(path);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (bytes.isEmpty() || static_cast<std::size_t>(bytes.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

// Waits until `fd` is ready for `events` or the time is up.
bool waitFor(int fd, short events, int timeoutMs)
{
    pollfd p{fd, events, 0};
    int n;
    do
        n = ::poll(&p, 1, timeoutMs);
    while (n < 0 && errno == EINTR);
    return n > 0 && (p.revents & events) != 0;
}

} // namespace

struct ShowRequests::Client {
    int fd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    std::string received;
};

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
    while (!clients_.empty())
        dropClient(clients_.back()->fd);
    if (listener_ < 0)
        return;
    delete listening_;
    listening_ = nullptr;
    ::close(listener_);
    listener_ = -1;
    ::unlink(QFile::encodeName(socketName_).constData());
}

bool ShowRequests::listen()
{
    if (listener_ >= 0)
        return true;
    sockaddr_un address;
    if (!addressOf(socketName_, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    // The lock is ours: a socket file still there belongs to a copy that died.
    ::unlink(address.sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(address.sun_path, S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        ::unlink(address.sun_path);
        return false;
    }
    listener_ = fd;
    listening_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(listening_, &QSocketNotifier::activated, this, [this] { acceptClients(); });
    return true;
}

void ShowRequests::acceptClients()
{
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;  // none waiting (EAGAIN), or one that went away
        ucred peer{};
        socklen_t length = sizeof peer;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::getuid()) {
            ::close(fd);
            continue;
        }
        auto client = std::make_unique<Client>();
        client->fd = fd;
        client->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(client->notifier.get(), &QSocketNotifier::activated, this, [this, fd] { readClient(fd); });
        clients_.push_back(std::move(client));
    }
}

void ShowRequests::readClient(int fd)
{
    const auto it = std::find_if(clients_.begin(), clients_.end(), [fd](const auto& c) { return c->fd == fd; });
    if (it == clients_.end())
        return;
    Client& client = **it;
    char buffer[kLongestLine];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        dropClient(fd);  // the second start has its answer and ended
        return;
    }
    client.received.append(buffer, static_cast<std::size_t>(n));
    bool asked = false;
    for (std::size_t end; (end = client.received.find('\n')) != std::string::npos;) {
        asked = asked || client.received.compare(0, end + 1, kShow) == 0;
        client.received.erase(0, end + 1);
    }
    if (client.received.size() > kLongestLine) {
        dropClient(fd);
        return;
    }
    if (asked) {
        (void)::send(fd, kTaken, sizeof kTaken - 1, MSG_NOSIGNAL);
        emit showRequested();
    }
}

void ShowRequests::dropClient(int fd)
{
    const auto it = std::find_if(clients_.begin(), clients_.end(), [fd](const auto& c) { return c->fd == fd; });
    if (it == clients_.end())
        return;
    // The notifier goes before its descriptor is closed.
    std::unique_ptr<Client> client = std::move(*it);
    clients_.erase(it);
    client->notifier.reset();
    ::close(client->fd);
}

bool ShowRequests::askRunningCopy(int timeoutMs)
{
    sockaddr_un address;
    if (!addressOf(socketName_, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool taken = false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, kShow, sizeof kShow - 1, MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof kShow - 1)) {
        // The answer tells that the copy took the request.
        std::string answer;
        char buffer[16];
        while (answer.find('\n') == std::string::npos && answer.size() < kLongestLine && waitFor(fd, POLLIN, timeoutMs)) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            answer.append(buffer, static_cast<std::size_t>(n));
        }
        taken = answer == kTaken;
    }
    ::close(fd);
    return taken;
}

} // namespace mox
