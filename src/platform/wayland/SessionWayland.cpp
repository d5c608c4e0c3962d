// The Wayland session module: the compositor's idle notification and the
// compositors' layout services behind the session module's one factory.
#include "platform/SessionModule.h"
#include "platform/wayland/WaylandForeground.h"
#include "platform/wayland/WaylandIdleMonitor.h"
#include "platform/wayland/WaylandLayouts.h"

extern "C" __attribute__((visibility("default"))) bool mox_make_session_ports(int interfaceVersion,
                                                                             const mox::SessionPortsRequest& request,
                                                                             mox::SessionPorts& ports)
{
    if (interfaceVersion != mox::kSessionModuleInterface)
        return false;
    if (request.activity) {
        // Only a compositor that offers an idle notification gives a monitor
        // here; without one the program asks the session bus.
        auto wayland = std::make_unique<mox::WaylandIdleMonitor>();
        switch (wayland->protocol()) {
        case mox::WaylandIdleMonitor::Protocol::ExtIdleNotify:
            ports.activitySource = "the compositor's idle notification (ext-idle-notify-v1)";
            ports.activity = std::move(wayland);
            break;
        case mox::WaylandIdleMonitor::Protocol::KdeIdle:
            ports.activitySource = "the compositor's idle notification (org_kde_kwin_idle)";
            ports.activity = std::move(wayland);
            break;
        case mox::WaylandIdleMonitor::Protocol::None:
            break;
        }
    }
    if (request.layouts)
        ports.layouts = mox::makeWaylandLayouts();
    if (request.foreground)
        ports.foreground = std::make_unique<mox::WaylandForeground>();
    return true;
}
