#include "platform/wayland/SwayLayouts.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>

#include <algorithm>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace mox {

namespace {

constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr std::size_t kHeaderSize = sizeof kMagic + 8;
constexpr std::uint32_t kRunCommand = 0;
constexpr std::uint32_t kGetInputs = 100;
// Far more than any inputs list; a larger length means a broken peer.
constexpr std::uint32_t kMaxPayload = 16u << 20;

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool waitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, remainingMs(deadline));
        if (n > 0)
            return (p.revents & (events | POLLHUP)) != 0 && (p.revents & POLLNVAL) == 0;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

bool sendAll(int fd, const char* data, std::size_t size, Clock::time_point deadline)
{
    while (size > 0) {
        if (!waitFor(fd, POLLOUT, deadline))
            return false;
        // MSG_NOSIGNAL: a sway that went away must not kill the program.
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool receiveAll(int fd, char* data, std::size_t size, Clock::time_point deadline)
{
    while (size > 0) {
        if (!waitFor(fd, POLLIN, deadline))
            return false;
        const ssize_t n = ::recv(fd, data, size, 0);
        if (n == 0)
            return false;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

} // namespace

namespace {

// The name and description of the <configItem> the reader is at; the other
// children (short description, language and country lists) are skipped.
void readConfigItem(QXmlStreamReader& xml, QString& name, QString& description)
{
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("name"))
            name = xml.readElementText().trimmed();
        else if (xml.name() == QLatin1String("description"))
            description = xml.readElementText().trimmed();
        else
            xml.skipCurrentElement();
    }
}

void readLayout(QXmlStreamReader& xml, std::map<std::string, XkbLayoutName>& byDescription)
{
    std::string layout;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("configItem")) {
            QString name, description;
            readConfigItem(xml, name, description);
            layout = name.toStdString();
            if (!layout.empty() && !description.isEmpty())
                byDescription.emplace(description.toStdString(), XkbLayoutName{layout, {}});
        } else if (xml.name() == QLatin1String("variantList") && !layout.empty()) {
            while (xml.readNextStartElement()) {
                if (xml.name() != QLatin1String("variant")) {
                    xml.skipCurrentElement();
                    continue;
                }
                while (xml.readNextStartElement()) {
                    if (xml.name() != QLatin1String("configItem")) {
                        xml.skipCurrentElement();
                        continue;
                    }
                    QString name, description;
                    readConfigItem(xml, name, description);
                    if (!name.isEmpty() && !description.isEmpty())
                        byDescription.emplace(description.toStdString(), XkbLayoutName{layout, name.toStdString()});
                }
            }
        } else {
            xml.skipCurrentElement();
        }
    }
}

} // namespace

std::map<std::string, XkbLayoutName> readXkbDescriptions(const std::string& rulesFile)
{
    std::map<std::string, XkbLayoutName> byDescription;
    QFile file(QString::fromStdString(rulesFile));
    if (!file.open(QIODevice::ReadOnly))
        return byDescription;
    QXmlStreamReader xml(&file);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("xkbConfigRegistry"))
        return byDescription;
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("layoutList")) {
            xml.skipCurrentElement();
            continue;
        }
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("layout"))
                readLayout(xml, byDescription);
            else
                xml.skipCurrentElement();
        }
    }
    return byDescription;
}

SwayLayouts::SwayLayouts(std::string socketPath, std::string rulesFile)
    : socketPath_(std::move(socketPath)), rulesFile_(std::move(rulesFile))
{
    if (socketPath_.empty())
        if (const char* env = std::getenv("SWAYSOCK"))
            socketPath_ = env;
}

std::optional<std::string> SwayLayouts::request(std::uint32_t type, const std::string& payload)
{
    sockaddr_un address{};
    if (socketPath_.empty() || socketPath_.size() >= sizeof address.sun_path || payload.size() > kMaxPayload)
        return std::nullopt;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
    Socket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socket.fd() < 0)
        return std::nullopt;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kTimeoutMs);
    if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS && errno != EAGAIN)
            return std::nullopt;
        int error = 0;
        socklen_t length = sizeof error;
        if (!waitFor(socket.fd(), POLLOUT, deadline) ||
            ::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
            return std::nullopt;
    }

    std::string message(kMagic, sizeof kMagic);
    const std::uint32_t header[2] = {static_cast<std::uint32_t>(payload.size()), type};
    message.append(reinterpret_cast<const char*>(header), sizeof header);
    message += payload;
    if (!sendAll(socket.fd(), message.data(), message.size(), deadline))
        return std::nullopt;

    char head[kHeaderSize];
    if (!receiveAll(socket.fd(), head, sizeof head, deadline) || std::memcmp(head, kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    std::uint32_t fields[2];
    std::memcpy(fields, head + sizeof kMagic, sizeof fields);
    if (fields[1] != type || fields[0] > kMaxPayload)
        return std::nullopt;
    std::string reply(fields[0], '\0');
    if (!receiveAll(socket.fd(), reply.data(), reply.size(), deadline))
        return std::nullopt;
    return reply;
}

bool SwayLayouts::answers()
{
    return request(kGetInputs, {}).has_value();
}

XkbLayoutName SwayLayouts::nameOfDescription(const std::string& description)
{
    if (!descriptions_) {
        descriptions_ = readXkbDescriptions(rulesFile_);
        if (descriptions_->empty())
            std::fprintf(stderr, "Mox!: %s cannot be read; sway's keyboard layouts cannot be named\n",
                         rulesFile_.c_str());
    }
    const auto it = descriptions_->find(description);
    return it != descriptions_->end() ? it->second : XkbLayoutName{};
}

namespace {

int namedCount(const std::vector<XkbLayoutName>& layouts)
{
    return static_cast<int>(std::count_if(layouts.begin(), layouts.end(),
                                          [](const XkbLayoutName& l) { return !l.layout.empty(); }));
}

// A keyboard's identifier as a quoted argument of a sway command.
std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

} // namespace

std::optional<SwayLayouts::Keyboard> SwayLayouts::keyboard()
{
    const auto reply = request(kGetInputs, {});
    if (!reply)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(*reply));
    if (!document.isArray())
        return std::nullopt;
    std::vector<Keyboard> keyboards;
    for (const QJsonValue input : document.array()) {
        const QJsonObject object = input.toObject();
        if (object.value(QLatin1String("type")).toString() != QLatin1String("keyboard"))
            continue;
        const QJsonArray names = object.value(QLatin1String("xkb_layout_names")).toArray();
        if (names.isEmpty())
            continue;
        Keyboard keyboard;
        keyboard.identifier = object.value(QLatin1String("identifier")).toString().toStdString();
        // Virtual keyboards are made by programs (vendor and product 0).
        keyboard.isVirtual = object.value(QLatin1String("vendor")).toInt(-1) == 0 &&
                             object.value(QLatin1String("product")).toInt(-1) == 0;
        for (const QJsonValue name : names)
            keyboard.layouts.push_back(nameOfDescription(name.toString().toStdString()));
        const int active = object.value(QLatin1String("xkb_active_layout_index")).toInt(-1);
        keyboard.active = active >= 0 && active < static_cast<int>(keyboard.layouts.size()) ? active : -1;
        keyboards.push_back(std::move(keyboard));
    }
    // The user's keyboard: most named layouts; among equals a real one, then
    // the first listed.
    const Keyboard* chosen = nullptr;
    for (const Keyboard& k : keyboards) {
        if (chosen == nullptr || namedCount(k.layouts) > namedCount(chosen->layouts) ||
            (namedCount(k.layouts) == namedCount(chosen->layouts) && chosen->isVirtual && !k.isVirtual))
            chosen = &k;
    }
    switched_.clear();
    if (chosen == nullptr)
        return Keyboard{}; // sway answers, but no keyboard has layouts
    for (const Keyboard& k : keyboards)
        if (k.layouts == chosen->layouts && !k.identifier.empty() &&
            std::find(switched_.begin(), switched_.end(), k.identifier) == switched_.end())
            switched_.push_back(k.identifier);
    return *chosen;
}

std::optional<std::vector<XkbLayoutName>> SwayLayouts::layouts()
{
    auto k = keyboard();
    if (!k)
        return std::nullopt;
    return std::move(k->layouts);
}

int SwayLayouts::activeIndex()
{
    const auto k = keyboard();
    return k ? k->active : -1;
}

bool SwayLayouts::switchTo(int index)
{
    if (index < 0)
        return false;
    // The keyboards to switch as they are now: keyboards come and go.
    const auto chosen = keyboard();
    if (!chosen || index >= static_cast<int>(chosen->layouts.size()) || switched_.empty())
        return false;
    std::string commands;
    for (const std::string& identifier : switched_) {
        if (!commands.empty())
            commands += "; ";
        commands += "input " + quoted(identifier) + " xkb_switch_layout " + std::to_string(index);
    }
    const auto reply = request(kRunCommand, commands);
    if (!reply)
        return false;
    // One result per command: [{"success": true}, ...].
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(*reply));
    if (!document.isArray() || document.array().isEmpty())
        return false;
    for (const QJsonValue result : document.array())
        if (!result.toObject().value(QLatin1String("success")).toBool())
            return false;
    return true;
}

} // namespace mox
