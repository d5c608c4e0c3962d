#pragma once
#include <QByteArray>

#include "platform/ForegroundPort.h"

struct _XDisplay;

namespace mox {

// The foreground window of the X11 desktop. It only sends requests and
// reads their replies, so it works on Qt's own X connection when it is
// created without a display name in a program drawn through xcb (no
// connection of its own to open at start); otherwise, and in tests that name
// their X server, on a connection of its own.
//
// With a window manager that maintains _NET_ACTIVE_WINDOW the foreground is
// read from that root property, and activation is asked of the window manager
// with a _NET_ACTIVE_WINDOW client message (as a pager would, so that focus
// stealing prevention lets it through). Without one the foreground is the
// top-level window holding the input focus, and activation raises the window
// and sets the input focus directly.
//
// A window that has gone away in the meantime is refused (false), never an X
// error that ends the program. Without an X server every call does nothing.
class X11Foreground final : public ForegroundPort {
public:
    enum class Method {
        Automatic,      // the window manager's protocol where it is supported
        RaiseAndFocus,  // always raise and set the input focus directly
    };

    // displayName empty: Qt's connection where there is one, else $DISPLAY.
    explicit X11Foreground(const QByteArray& displayName = {}, Method method = Method::Automatic);
    ~X11Foreground() override;
    X11Foreground(const X11Foreground&) = delete;
    X11Foreground& operator=(const X11Foreground&) = delete;

    bool connected() const { return display_ != nullptr; }
    // Whether the connection is Qt's rather than one of its own.
    bool sharesQtConnection() const { return display_ != nullptr && !ownsDisplay_; }
    // Whether the window manager's active-window protocol is used now.
    bool usesWindowManager();

    WindowRef foreground() override;
    bool activate(WindowRef window) override;

private:
    _XDisplay* display_ = nullptr;
    bool ownsDisplay_ = false;
    Method method_;
    unsigned long netActiveWindow_ = 0;
    unsigned long netSupported_ = 0;
};

} // namespace mox
