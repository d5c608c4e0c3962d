#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/LayoutPort.h"
#include "platform/xkb/XkbLanguages.h"

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
// added to the compositor, and every switch is given back: the layout the
// user had is the user's, whichever of the configured ones it is.
//
// So no layout counts as preloaded (the list is empty while the compositor
// answers): each window holds what it switched to in its slot and releases
// it when it hides or closes. load() gives a held handle of a configured
// layout that types the language (the language identifier with kHeld in the
// high bits) or 0; activate() switches to the configured layout that types
// the handle's language, and the first switch after a give-back remembers
// the layout active until then; activatePrevious() gives that layout back
// (also when the user switched by hand meanwhile) and forgets it; unload()
// only ends the hold. The remembered layout is kept by its name, so it is
// still found when the user reorders the layouts meanwhile; the list itself
// is asked for anew on every use (the keyboard adapters cache it only as
// long as the compositor does not say it changed).
class CompositorLayouts final : public LayoutPort {
public:
    // The high bits of a held handle.
    static constexpr LayoutHandle kHeld = 0x00010000u;

    explicit CompositorLayouts(std::unique_ptr<CompositorKeyboard> keyboard);

    std::optional<std::vector<std::string>> preloadedLayoutNames() override;
    LayoutHandle load(const std::string& name) override;
    bool activate(LayoutHandle layout) override;
    bool activatePrevious() override;
    bool unload(LayoutHandle layout) override;

    CompositorKeyboard& keyboard() { return *keyboard_; }

    // The layout that activatePrevious() gives back; none after a give-back.
    const std::optional<XkbLayoutName>& givenBack() const { return userLayout_; }

private:
    std::unique_ptr<CompositorKeyboard> keyboard_;
    std::optional<XkbLayoutName> userLayout_;
};

// Whether the configured layout `layout` types the language `id`.
bool typesLanguage(const XkbLayoutName& layout, std::uint16_t id);

} // namespace mox
