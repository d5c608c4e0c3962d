#include "platform/x11/ForegroundX11.h"

#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "platform/x11/QtX11Display.h"

namespace mox {

namespace {

// Catches the X errors of the requests between its construction and its end
// instead of letting Xlib's default handler end the process. The handler is
// process-wide in Xlib, so the previous one is put back at the end. On Qt's
// connection too: where xcb owns the event queue, Xlib sends its requests
// checked, so their errors still come to this handler, not to Qt's queue.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display) : display_(display)
    {
        XSync(display_, False);
        failed_ = false;
        previous_ = XSetErrorHandler(&ErrorTrap::onError);
    }
    ~ErrorTrap() { XSetErrorHandler(previous_); }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Waits for the server to answer everything sent so far.
    bool failed()
    {
        XSync(display_, False);
        return failed_;
    }

private:
    static int onError(Display*, XErrorEvent*)
    {
        failed_ = true;
        return 0;
    }

    Display* display_;
    XErrorHandler previous_;
    static inline bool failed_ = false;
};

// Reads a 32-bit list property of `window`; empty when it is missing.
std::vector<unsigned long> readList(Display* display, Window window, Atom property, Atom type)
{
    std::vector<unsigned long> values;
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, type, &actualType, &format, &count,
                           &after, &data) == Success && data) {
        if (actualType == type && format == 32) {
            // Xlib hands 32-bit items over as longs.
            const auto* items = reinterpret_cast<const unsigned long*>(data);
            values.assign(items, items + count);
        }
        XFree(data);
    }
    return values;
}

bool hasProperty(Display* display, Window window, Atom property)
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(display, window, property, 0, 0, False, AnyPropertyType, &actualType,
                                          &format, &count, &after, &data) == Success
                       && actualType != None;
    if (data)
        XFree(data);
    return found;
}

} // namespace

X11Foreground::X11Foreground(const QByteArray& displayName, Method method) : method_(method)
{
    if (displayName.isEmpty())
        display_ = qtX11Display();
    if (!display_) {
        display_ = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
        ownsDisplay_ = display_ != nullptr;
    }
    if (!display_)
        return;
    netActiveWindow_ = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
    netSupported_ = XInternAtom(display_, "_NET_SUPPORTED", False);
}

X11Foreground::~X11Foreground()
{
    if (ownsDisplay_)
        XCloseDisplay(display_);
}

bool X11Foreground::usesWindowManager()
{
    if (!display_ || method_ == Method::RaiseAndFocus)
        return false;
    // Asked each time: a window manager may start or stop while we run.
    for (unsigned long atom : readList(display_, DefaultRootWindow(display_), netSupported_, XA_ATOM))
        if (atom == netActiveWindow_)
            return true;
    return false;
}

WindowRef X11Foreground::foreground()
{
    if (!display_)
        return kNoWindow;
    if (usesWindowManager()) {
        const auto active = readList(display_, DefaultRootWindow(display_), netActiveWindow_, XA_WINDOW);
        return active.empty() ? kNoWindow : static_cast<WindowRef>(active.front());
    }

    ErrorTrap trap(display_);
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    if (focus == None || focus == PointerRoot)
        return kNoWindow;
    // The focus may sit in a child of a program's top-level window, and a
    // window manager may have framed that window: report the nearest window
    // that carries WM_STATE (the program's own top-level), or else the window
    // just below the root.
    const Window root = DefaultRootWindow(display_);
    const Atom wmState = XInternAtom(display_, "WM_STATE", False);
    Window current = focus;
    Window client = None;
    for (;;) {
        if (client == None && hasProperty(display_, current, wmState))
            client = current;
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display_, current, &rootReturn, &parent, &children, &count))
            return kNoWindow;
        if (children)
            XFree(children);
        if (parent == root || parent == None)
            break;
        current = parent;
    }
    if (trap.failed() || current == root)
        return kNoWindow;
    if (client != None)
        current = client;
    return static_cast<WindowRef>(current);
}

bool X11Foreground::activate(WindowRef window)
{
    if (!display_ || window == kNoWindow)
        return false;
    const auto target = static_cast<Window>(window);
    const bool manager = usesWindowManager();

    ErrorTrap trap(display_);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, target, &attributes) || trap.failed())
        return false;

    if (manager) {
        const auto active = readList(display_, DefaultRootWindow(display_), netActiveWindow_, XA_WINDOW);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.serial = 0;
        event.xclient.send_event = True;
        event.xclient.display = display_;
        event.xclient.window = target;
        event.xclient.message_type = netActiveWindow_;
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2; // source indication: a pager
        event.xclient.data.l[1] = CurrentTime;
        event.xclient.data.l[2] = active.empty() ? 0 : static_cast<long>(active.front());
        XSendEvent(display_, DefaultRootWindow(display_), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
        return !trap.failed();
    }

    XRaiseWindow(display_, target);
    // Only a viewable window can take the input focus.
    if (attributes.map_state == IsViewable)
        XSetInputFocus(display_, target, RevertToParent, CurrentTime);
    return !trap.failed() && attributes.map_state == IsViewable;
}

} // namespace mox
