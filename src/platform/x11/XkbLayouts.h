#pragma once
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/LayoutPort.h"
#include "platform/x11/XkbLanguages.h"

struct _XDisplay;

namespace mox {

// The layout port over the X keyboard extension, on a connection of its own.
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
// unloads whatever is still loaded.
//
// Without an X server (no DISPLAY, the connection fails, or no XKB rules
// names) the port does nothing: no preloaded layouts, nothing loads, and one
// line on stderr says so.
class XkbLayouts final : public LayoutPort {
public:
    // Connects to `displayName`, or to $DISPLAY when it is null.
    explicit XkbLayouts(const char* displayName = nullptr);
    ~XkbLayouts() override;
    XkbLayouts(const XkbLayouts&) = delete;
    XkbLayouts& operator=(const XkbLayouts&) = delete;

    // Whether there is an X server with XKB to work with.
    bool available() const { return display_ != nullptr; }

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

    bool readUserNames();
    bool applyGroups();
    int groupCount() const;
    int lockedGroup();
    bool lockKey(Key key);
    Key keyAt(int index) const;
    int indexOf(Key key) const;
    Key keyForLanguage(std::uint16_t id) const;
    void drainEvents();
    void note(const std::string& text);

    _XDisplay* display_ = nullptr;
    bool haveNames_ = false;
    std::string rulesFile_, model_, layouts_, variants_, options_;
    std::vector<XkbLayoutName> userGroups_;
    std::vector<Loaded> loaded_;
    Key previous_ = 0;
    std::uint32_t nextSerial_ = 1;
};

} // namespace mox
