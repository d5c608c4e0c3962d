#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mox {

// A keyboard layout as the layout port knows it. The low 16 bits are the
// language identifier of the layout (0x0409, 0x0419 ...); the high 16 bits
// tell apart layouts the port loaded. 0 means "no layout". A value whose high
// bits are 0 names a layout by its language identifier alone.
using LayoutHandle = std::uint32_t;

// The system's keyboard layouts: the layouts the user's desktop preloads, and
// loading, activating and unloading further ones. Layout names are eight
// hexadecimal digits of the language identifier, "00000409".
class LayoutPort {
public:
    virtual ~LayoutPort() = default;

    // The names of the layouts the user's system loads by itself, in the
    // user's order; nullopt when the list cannot be read.
    virtual std::optional<std::vector<std::string>> preloadedLayoutNames() = 0;

    // Loads the layout with that name and gives its handle, or 0 when it
    // cannot be loaded. Loading a layout that is already loaded gives the
    // handle it already has.
    virtual LayoutHandle load(const std::string& name) = 0;

    // Makes the layout the active one; false when there is no such layout.
    // The layout active until now becomes the previous layout.
    virtual bool activate(LayoutHandle layout) = 0;

    // Switches back to the layout that was active before the last switch.
    virtual bool activatePrevious() = 0;

    // Unloads a layout that load gave; true when it was unloaded. The user's
    // own layouts are never unloaded.
    virtual bool unload(LayoutHandle layout) = 0;
};

} // namespace mox
