#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/LayoutPort.h"
#include "platform/x11/XkbLanguages.h"

namespace mox {

// The keyboard layouts of a Wayland compositor as one compositor's interface
// shows them. A Wayland client cannot change the keyboard itself: it can only
// ask the compositor to switch among the layouts the user configured there.
class CompositorKeyboard {
public:
    virtual ~CompositorKeyboard() = default;

    // The configured layouts in the user's order; nullopt when the compositor
    // does not answer. A layout the adapter cannot name has an empty layout
    // name (it keeps its place, so the indexes stay right, and types no
    // language).
    virtual std::optional<std::vector<XkbLayoutName>> layouts() = 0;

    // The index of the active layout in layouts(); -1 when unknown.
    virtual int activeIndex() = 0;

    // Asks the compositor to make the layout at `index` the active one; false
    // when it refused or did not answer.
    virtual bool switchTo(int index) = 0;
};

// The layout port over a compositor's configured layouts. Nothing is ever
// added to the compositor: the preloaded layouts are the languages the
// configured layouts type ("00000409" for "us", both Norwegian ones for
// "no"), load() gives the handle of a configured layout that types the
// language (its bare language identifier) or 0, activate() switches to the
// configured layout that types the handle's language, and unload() has
// nothing to unload. The previous layout is remembered by its name, so it is
// still found when the user reorders the layouts meanwhile; the list itself
// is asked for anew on every use (the keyboard adapters cache it only as long
// as the compositor does not say it changed).
class CompositorLayouts final : public LayoutPort {
public:
    explicit CompositorLayouts(std::unique_ptr<CompositorKeyboard> keyboard);

    std::optional<std::vector<std::string>> preloadedLayoutNames() override;
    LayoutHandle load(const std::string& name) override;
    bool activate(LayoutHandle layout) override;
    bool activatePrevious() override;
    bool unload(LayoutHandle layout) override;

    CompositorKeyboard& keyboard() { return *keyboard_; }

private:
    // Switches to `index` of `list`; the layout active until now becomes the
    // previous one.
    bool switchFrom(const std::vector<XkbLayoutName>& list, int index);

    std::unique_ptr<CompositorKeyboard> keyboard_;
    std::optional<XkbLayoutName> previous_;
};

// The layout port of a Wayland desktop that lets no program switch layouts
// (GNOME, unknown compositors): no preloaded layouts (an empty list, the
// desktop is not broken), nothing loads or switches. Says once on stderr why.
class NoLayouts final : public LayoutPort {
public:
    NoLayouts();

    std::optional<std::vector<std::string>> preloadedLayoutNames() override { return std::vector<std::string>{}; }
    LayoutHandle load(const std::string&) override { return 0; }
    bool activate(LayoutHandle) override { return false; }
    bool activatePrevious() override { return false; }
    bool unload(LayoutHandle) override { return false; }
};

// Whether the configured layout `layout` types the language `id`.
bool typesLanguage(const XkbLayoutName& layout, std::uint16_t id);

} // namespace mox
