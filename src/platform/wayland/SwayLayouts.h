#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/wayland/CompositorLayouts.h"

namespace mox {

// The layouts and variants of the XKB rules file (evdev.xml of xkb-data) by
// their descriptions: "English (US)" is us, "Russian" is ru, "German (no dead
// keys)" is de(nodeadkeys). Empty when the file cannot be read.
std::map<std::string, XkbLayoutName> readXkbDescriptions(const std::string& rulesFile);

// The layouts of sway over its IPC socket. Sway's inputs name the keyboard's
// layouts only by their descriptions ("English (US)"), which are turned back
// into layout names with the XKB rules file (read once, on first use).
//
// The keyboard switched is the one the user types on: the keyboard with the
// most layouts that can be named, a real one before a virtual one (on-screen
// and test keyboards bring a keymap of one layout). Only it, and keyboards
// with the same layouts, are switched, each addressed by its identifier: an
// index means another layout, or none, on a keyboard of other layouts.
// Each request opens a connection of its own and waits at most kTimeoutMs,
// so a hung or restarted sway never blocks the program for long; the inputs
// are asked for anew on every use.
class SwayLayouts final : public CompositorKeyboard {
public:
    static constexpr int kTimeoutMs = 500;
    static constexpr const char* kRulesFile = "/usr/share/X11/xkb/rules/evdev.xml";

    // `socketPath` empty: $SWAYSOCK.
    explicit SwayLayouts(std::string socketPath = {}, std::string rulesFile = kRulesFile);

    // Whether sway answers on the socket.
    bool answers();

    std::optional<std::vector<XkbLayoutName>> layouts() override;
    int activeIndex() override;
    bool switchTo(int index) override;

    // One IPC request: the payload of the reply, nullopt when there was none
    // in time (or the reply was not a sway reply of that type).
    std::optional<std::string> request(std::uint32_t type, const std::string& payload);

    // The identifiers of the keyboards the last look chose to switch.
    const std::vector<std::string>& switchedKeyboards() const { return switched_; }

private:
    struct Keyboard {
        std::string identifier;
        std::vector<XkbLayoutName> layouts;
        int active = -1;
        bool isVirtual = false;
    };
    std::optional<Keyboard> keyboard();
    XkbLayoutName nameOfDescription(const std::string& description);

    std::string socketPath_;
    std::string rulesFile_;
    std::optional<std::map<std::string, XkbLayoutName>> descriptions_;
    std::vector<std::string> switched_;
};

} // namespace mox
