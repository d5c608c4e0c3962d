#pragma once
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/LayoutPort.h"

namespace mox {

// An in-memory layout port for tests. It starts with the user's preloaded
// layouts loaded and the first one active; load adds layouts, activate and
// activatePrevious switch between them, unload removes what load added. Every
// call is logged ("load 00000407", "activate 0x20407", "previous",
// "unload 0x20407") so tests can check the order of the switching.
class FakeLayoutPort final : public LayoutPort {
public:
    struct Layout {
        std::string name;
        LayoutHandle handle;
        bool preloaded;
    };

    // `preload` nullopt: the preload list cannot be read.
    explicit FakeLayoutPort(std::optional<std::vector<std::string>> preload = std::vector<std::string>{});

    std::optional<std::vector<std::string>> preloadedLayoutNames() override;
    LayoutHandle load(const std::string& name) override;
    bool activate(LayoutHandle layout) override;
    bool activatePrevious() override;
    bool unload(LayoutHandle layout) override;

    // Names that load refuses (give 0).
    std::set<std::string> failingNames;

    std::vector<std::string> calls;
    // Set when unload was asked for a layout of the user's own.
    bool preloadedUnloadAttempted = false;

    const std::vector<Layout>& layouts() const { return layouts_; }
    LayoutHandle active() const { return active_; }
    // The language identifier of the active layout (0 when none).
    std::uint16_t activeLanguage() const { return static_cast<std::uint16_t>(active_ & 0xFFFFu); }
    bool isLoaded(LayoutHandle handle) const;
    // The handle of the loaded (not preloaded) layout with that name, or 0.
    LayoutHandle loadedHandle(const std::string& name) const;

private:
    const Layout* find(LayoutHandle layout) const;

    std::optional<std::vector<std::string>> preload_;
    std::vector<Layout> layouts_;
    LayoutHandle active_ = 0;
    LayoutHandle previous_ = 0;
    std::uint32_t nextDevice_ = 2;
};

} // namespace mox
