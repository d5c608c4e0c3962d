#pragma once
#include <functional>
#include <memory>

#include <QObject>

class QSocketNotifier;

namespace mox {

// Turns the termination signals (SIGTERM, SIGINT, SIGHUP) into a call on the
// user-interface thread, through a self-pipe watched by a QSocketNotifier:
// the signal handler only writes one byte. One instance per process.
class Termination final : public QObject {
    Q_OBJECT
public:
    explicit Termination(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    ~Termination() override;
    Termination(const Termination&) = delete;
    Termination& operator=(const Termination&) = delete;

    // Whether the pipe and the handlers are in place.
    bool active() const { return notifier_ != nullptr; }

private:
    void readSignals();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace mox
