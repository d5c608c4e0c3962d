#include "platform/wayland/WaylandLayouts.h"

#include <cstdio>
#include <cstdlib>

#include "platform/NoDesktop.h"
#include "platform/wayland/CompositorLayouts.h"
#include "platform/wayland/KdeKeyboardLayouts.h"
#include "platform/wayland/SwayLayouts.h"

namespace mox {

std::unique_ptr<LayoutPort> makeWaylandLayouts()
{
    if (const char* sock = std::getenv("SWAYSOCK"); sock && *sock) {
        auto sway = std::make_unique<SwayLayouts>(sock);
        if (sway->answers()) {
            std::fprintf(stderr, "Mox!: keyboard layouts through sway IPC\n");
            return std::make_unique<CompositorLayouts>(std::move(sway));
        }
    }
    auto kde = std::make_unique<KdeKeyboardLayouts>();
    if (kde->present()) {
        std::fprintf(stderr, "Mox!: keyboard layouts through KDE's keyboard service (org.kde.keyboard)\n");
        return std::make_unique<CompositorLayouts>(std::move(kde));
    }
    std::fprintf(stderr, "Mox!: this Wayland desktop lets no program switch keyboard layouts; layouts are not switched\n");
    return std::make_unique<NoLayoutSwitching>();
}

} // namespace mox
