#pragma once

struct _XDisplay;

namespace mox {

// The Xlib display of Qt's own X connection when the program's windows are
// drawn through xcb (a QGuiApplication on an X server), else null. An
// adapter that only sends requests and reads their replies uses it instead
// of a connection of its own: that saves a connection and its set-up at
// start. Qt owns its event queue, so such an adapter never reads events
// from it, and never closes it.
_XDisplay* qtX11Display();

} // namespace mox
