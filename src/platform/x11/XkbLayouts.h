#pragma once
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/LayoutPort.h"
#include "platform/xkb/XkbLanguages.h"

struct _XDisplay;

namespace mox {

// The layout port over the X keyboard extension. It only sends requests and
// reads their replies, so it works on Qt's own X connection when created
// without a display name in a program drawn through xcb; otherwise on a
// connection of its own (whose keymap notices it discards).
//
// The preloaded layouts are the groups the user configured, as the XKB rules
// names of the root window (_XKB_RULES_NAMES) list them, each named by the
// language identifiers it types ("00000409" for "us"). Loading a layout adds
// a group for it after the user's groups and recompiles the keymap from the
// same rules, model and options; the keyboard holds at most four groups, so
// once four are there loading fails (gives 0) and the active layout stays.
// Activating locks the layout's group; the previous layout is the group that
// was locked before the last switch (also when the user switched by hand).
// Unloading removes the group again; when the last loaded group goes, the
// rules names are put back exactly as the user had them. The destructor
// unloads whatever is still loaded. When another program (the desktop's
// keyboard settings, setxkbmap) changes the keyboard meanwhile, its groups
// become the user's groups and are never turned back; the groups this port
// had added are gone with the old keymap.
//
// Without an X server (no DISPLAY, the connection fails, or no XKB rules
// names) the port does nothing: no preloaded layouts, nothing loads, and one
// line on stderr says so.
class XkbLayouts final : public LayoutPort {
public:
    // Connects to `displayName`; when it is null, uses Qt's connection where
    // there is one, else connects to $DISPLAY.
    explicit XkbLayouts(const char* displayName = nullptr);
    ~XkbLayouts() override;
    XkbLayouts(const XkbLayouts&) = delete;
    XkbLayouts& operator=(const XkbLayouts&) = delete;

    // Whether there is an X server with XKB to work with.
    bool available() const { return display_ != nullptr; }
    // Whether the connection is Qt's rather than one of its own.
    bool sharesQtConnection() const { return display_ != nullptr && !ownsDisplay_; }

    std::optional<std::vector<std::string>> preloadedLayoutNames() override;
    LayoutHandle load(const std::string& name) override;
    bool activate(LayoutHandle layout) override;
    bool activatePrevious() override;
    bool unload(LayoutHandle layout) override;

private:
    struct Loaded {
        XkbLayoutName name;
        LayoutHandle handle;
        std::vector<std::uint16_t> languages;
    };
    // A group is known by a key that survives changes of the group list: the
    // user's group i is i + 1, a loaded group is its handle; 0 is none.
    using Key = std::uint32_t;

    // The rules names of the root window (_XKB_RULES_NAMES).
    struct RulesNames {
        std::string rules, model, layouts, variants, options;
        bool operator==(const RulesNames&) const = default;
    };
    bool readNames(RulesNames& names);
    bool takeUserNames(const RulesNames& names);
    // Follows a change of the keyboard configuration made by someone else
    // (the user's settings, setxkbmap): those become the user's groups, and
    // the groups this port had added are gone with the old keymap.
    void followServer();
    bool applyGroups();
    int groupCount() const;
    int lockedGroup();
    bool lockKey(Key key);
    Key keyAt(int index) const;
    int indexOf(Key key) const;
    Key keyForLanguage(std::uint16_t id) const;
    bool connectThroughQt();
    bool connect(const char* name);
    void disconnect();
    void drainEvents();
    void note(const std::string& text);

    _XDisplay* display_ = nullptr;
    bool ownsDisplay_ = false;
    RulesNames user_;    // as the user configured them
    RulesNames written_; // as this port last set them
    std::vector<XkbLayoutName> userGroups_;
    std::vector<Loaded> loaded_;
    Key previous_ = 0;
    std::uint32_t nextSerial_ = 1;
};

} // namespace mox
