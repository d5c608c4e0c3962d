// The X11 session module: the X11 adapters behind the session module's one
// factory. Loaded in an X11 session, and in a Wayland session whose windows
// Qt draws through XWayland (for the foreground of those windows).
#include "platform/SessionModule.h"
#include "platform/x11/ActivityMonitorX11.h"
#include "platform/x11/ForegroundX11.h"
#include "platform/x11/XkbLayouts.h"

extern "C" __attribute__((visibility("default"))) bool mox_make_session_ports(int interfaceVersion,
                                                                             const mox::SessionPortsRequest& request,
                                                                             mox::SessionPorts& ports)
{
    if (interfaceVersion != mox::kSessionModuleInterface)
        return false;
    if (request.activity)
        ports.activity = std::make_unique<mox::X11ActivityMonitor>();
    if (request.layouts)
        ports.layouts = std::make_unique<mox::XkbLayouts>();
    if (request.foreground)
        ports.foreground = std::make_unique<mox::X11Foreground>();
    return true;
}
