#include "app/Termination.h"

#include <QSocketNotifier>

#include <csignal>
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mox {

namespace {

int pipeEnds[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction previous[3];

extern "C" void onTerminationSignal(int signal)
{
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const auto written = ::write(pipeEnds[0], &byte, 1);
    errno = saved;
}

} // namespace

Termination::Termination(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal))
{
    if (pipeEnds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0)
        return;
    for (int end : pipeEnds)
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &Termination::readSignals);
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &action, &previous[i]);
}

Termination::~Termination()
{
    if (notifier_ == nullptr)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &previous[i], nullptr);
    delete notifier_;
    notifier_ = nullptr;
    for (int& end : pipeEnds) {
        ::close(end);
        end = -1;
    }
}

void Termination::readSignals()
{
    char bytes[16];
    const auto count = ::read(pipeEnds[1], bytes, sizeof bytes);
    for (ssize_t i = 0; i < count; ++i) {
        if (onSignal_)
            onSignal_(static_cast<unsigned char>(bytes[i]));
    }
}

} // namespace mox
