#include "platform/x11/ActivityMonitorX11.h"

#include <QSocketNotifier>
#include <cstring>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/scrnsaver.h>

namespace mox {

namespace {

// How often the idle time is read in the fallback, and how far the moment of
// the last input must move to count as new input (the two readings of the
// server's clock and ours jitter by a few milliseconds).
constexpr int kIdleSampleMs = 500;
constexpr long long kIdleToleranceMs = 50;

} // namespace

X11ActivityMonitor::X11ActivityMonitor(const QByteArray& displayName, Method method, QObject* parent)
    : QObject(parent)
{
    display_ = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!display_)
        return;

    if (method == Method::Automatic) {
        int event = 0, error = 0;
        if (XQueryExtension(display_, "XInputExtension", &xiOpcode_, &event, &error)) {
            // 2.2 asks for raw events also while another client holds a grab.
            int major = 2, minor = 2;
            rawEvents_ = XIQueryVersion(display_, &major, &minor) == Success && major >= 2;
            touch_ = rawEvents_ && (major > 2 || minor >= 2);
        }
    }
    int ssEvent = 0, ssError = 0;
    idleTimeAvailable_ = XScreenSaverQueryExtension(display_, &ssEvent, &ssError) != 0;

    notifier_ = new QSocketNotifier(ConnectionNumber(display_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readEvents(); });

    idleSampler_.setInterval(kIdleSampleMs);
    connect(&idleSampler_, &QTimer::timeout, this, [this] { sampleIdleTime(); });
    clock_.start();
}

X11ActivityMonitor::~X11ActivityMonitor()
{
    if (!display_)
        return;
    remove();
    delete notifier_;
    XCloseDisplay(display_);
}

void X11ActivityMonitor::setActivityHandler(ActivityHandler handler)
{
    handler_ = std::move(handler);
}

void X11ActivityMonitor::selectRawEvents(bool on)
{
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (on) {
        XISetMask(bits, XI_RawKeyPress);
        XISetMask(bits, XI_RawButtonPress);
        XISetMask(bits, XI_RawMotion);
        // A finger on a touch screen is the mouse of that screen.
        if (touch_)
            XISetMask(bits, XI_RawTouchBegin);
    }
    XIEventMask mask;
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof bits;
    mask.mask = bits;
    XISelectEvents(display_, DefaultRootWindow(display_), &mask, 1);
    XSync(display_, False);
}

void X11ActivityMonitor::install()
{
    if (!display_ || installed_)
        return;
    installed_ = true;
    if (rawEvents_) {
        discardQueued();
        selectRawEvents(true);
        // XSync may have read events into Xlib's queue, where the socket
        // notifier does not see them.
        QTimer::singleShot(0, this, [this] { readEvents(); });
    } else if (idleTimeAvailable_) {
        const long long idle = idleMilliseconds();
        lastInputAt_ = clock_.elapsed() - (idle < 0 ? 0 : idle);
        idleSampler_.start();
    }
}

void X11ActivityMonitor::remove()
{
    if (!display_ || !installed_)
        return;
    installed_ = false;
    if (rawEvents_) {
        selectRawEvents(false);
        // The server may have sent input up to the moment it took the
        // deselection; left in Xlib's queue it would count for the next check.
        discardQueued();
    }
    idleSampler_.stop();
}

void X11ActivityMonitor::readEvents()
{
    if (!display_)
        return;
    bool activity = false;
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.xcookie.type == GenericEvent && event.xcookie.extension == xiOpcode_)
            activity = true;
    }
    // Events that were on their way when the watch was removed are dropped.
    if (activity && installed_)
        report();
}

void X11ActivityMonitor::discardQueued()
{
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
    }
}

long long X11ActivityMonitor::idleMilliseconds()
{
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (!info)
        return -1;
    long long idle = -1;
    if (XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), info))
        idle = static_cast<long long>(info->idle);
    XFree(info);
    return idle;
}

void X11ActivityMonitor::sampleIdleTime()
{
    if (!installed_)
        return;
    const long long idle = idleMilliseconds();
    if (idle < 0)
        return;
    const long long inputAt = clock_.elapsed() - idle;
    if (inputAt > lastInputAt_ + kIdleToleranceMs) {
        lastInputAt_ = inputAt;
        report();
    }
}

void X11ActivityMonitor::report()
{
    if (handler_)
        handler_();
}

} // namespace mox
