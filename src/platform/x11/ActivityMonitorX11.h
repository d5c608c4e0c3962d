#pragma once
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "platform/ActivityMonitorPort.h"

struct _XDisplay;
class QSocketNotifier;

namespace mox {

// Watches the user's keyboard and mouse on the X11 desktop, on an X
// connection of its own. Unlike the layout and foreground adapters it keeps
// that connection rather than use Qt's: it reads events, and Qt's connection
// is Qt's to read (its event thread takes every event off the socket, so
// raw input would reach us only through a native event filter that each
// keystroke and pointer move of the whole desktop would cross, with Qt's own
// XInput2 handling beside it); XInput2's version is agreed per connection,
// and Qt has agreed its own on its connection; and on a connection of its own
// remove() can drop what the server sent up to the deselection without
// touching events that are Qt's.
//
// Where the server has XInput2, the monitor selects raw key presses, raw
// button presses and raw motion (and raw touches from XInput 2.2 on) on the
// root window while it is installed; the events arrive on the connection's
// socket, watched by a QSocketNotifier, so nothing polls. Without XInput2 it
// falls back to the screen saver extension's idle time, sampled twice a
// second while installed: the time of the user's last input moving forward
// means activity.
//
// Without an X server (no DISPLAY) it stays silent: install and remove do
// nothing and no activity is ever reported.
class X11ActivityMonitor final : public QObject, public ActivityMonitorPort {
    Q_OBJECT
public:
    enum class Method {
        Automatic, // raw input events, or idle time where XInput2 is missing
        IdleTime,  // idle time only
    };

    // displayName empty: the DISPLAY of the environment.
    explicit X11ActivityMonitor(const QByteArray& displayName = {}, Method method = Method::Automatic,
                                QObject* parent = nullptr);
    ~X11ActivityMonitor() override;

    bool connected() const { return display_ != nullptr; }
    bool usesRawEvents() const { return rawEvents_; }
    bool installed() const { return installed_; }

    void setActivityHandler(ActivityHandler handler) override;
    void install() override;
    void remove() override;

private:
    void selectRawEvents(bool on);
    void readEvents();
    void discardQueued();
    void sampleIdleTime();
    // The server's idle time in ms, or -1 when it cannot be read.
    long long idleMilliseconds();
    void report();

    _XDisplay* display_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
    int xiOpcode_ = -1;
    bool rawEvents_ = false;
    bool touch_ = false;
    bool idleTimeAvailable_ = false;
    bool installed_ = false;
    ActivityHandler handler_;

    // Idle-time fallback: the estimated moment of the last input, on clock_.
    QTimer idleSampler_;
    QElapsedTimer clock_;
    long long lastInputAt_ = 0;
};

} // namespace mox
