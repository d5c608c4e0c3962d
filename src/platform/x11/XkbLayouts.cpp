#include "platform/x11/XkbLayouts.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XKBrules.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/x11/QtX11Display.h"

namespace mox {

namespace {

constexpr const char* kRulesFolder = "/usr/share/X11/xkb/rules/";
constexpr int kMaxGroups = XkbNumKbdGroups; // 4

std::string text(const char* s)
{
    return s ? std::string(s) : std::string();
}

// "%08x": the name the preload list and the layout rules use.
std::string nameOf(std::uint16_t id)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08x", static_cast<unsigned>(id));
    return buffer;
}

// The language identifier in a layout name of hexadecimal digits, or 0.
std::uint16_t languageOfName(const std::string& name)
{
    if (name.empty() || name.size() > 16)
        return 0;
    for (char c : name)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return 0;
    return static_cast<std::uint16_t>(std::strtoull(name.c_str(), nullptr, 16) & 0xFFFFu);
}

// A writable copy for the C interfaces that take char*.
struct CText {
    explicit CText(const std::string& s) : bytes(s.begin(), s.end()) { bytes.push_back('\0'); }
    char* get() { return bytes.data(); }
    char* orNull() { return bytes.size() > 1 ? bytes.data() : nullptr; }
    std::vector<char> bytes;
};

void freeComponents(XkbComponentNamesRec& names)
{
    std::free(names.keymap);
    std::free(names.keycodes);
    std::free(names.types);
    std::free(names.compat);
    std::free(names.symbols);
    std::free(names.geometry);
    names = {};
}

} // namespace

XkbLayouts::XkbLayouts(const char* displayName)
{
    const bool connected =
        displayName ? connect(displayName) : connectThroughQt() || connect(std::getenv("DISPLAY"));
    if (!connected)
        return;
    RulesNames names;
    if (!readNames(names) || !takeUserNames(names)) {
        note("Mox!: the X server gives no XKB rules names; keyboard layouts are not switched");
        disconnect();
    }
}

bool XkbLayouts::connectThroughQt()
{
    _XDisplay* qt = qtX11Display();
    int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!qt || !XkbQueryExtension(qt, &opcode, &event, &error, &major, &minor))
        return false;
    display_ = qt;
    return true;
}

bool XkbLayouts::connect(const char* name)
{
    if (!name || !*name) {
        note("Mox!: no X display (DISPLAY is not set); keyboard layouts are not switched");
        return false;
    }
    int event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion, reason = 0;
    display_ = XkbOpenDisplay(name, &event, &error, &major, &minor, &reason);
    if (!display_) {
        note(std::string("Mox!: cannot use the keyboard extension of X display ") + name +
             "; keyboard layouts are not switched");
        return false;
    }
    ownsDisplay_ = true;
    return true;
}

void XkbLayouts::disconnect()
{
    if (ownsDisplay_)
        XCloseDisplay(display_);
    display_ = nullptr;
    ownsDisplay_ = false;
}

XkbLayouts::~XkbLayouts()
{
    if (!display_)
        return;
    followServer();
    if (!loaded_.empty()) {
        const Key current = keyAt(lockedGroup());
        const Key previous = previous_;
        loaded_.clear();
        if (applyGroups()) {
            if (indexOf(current) >= 0)
                lockKey(current);
            else if (indexOf(previous) >= 0)
                lockKey(previous);
            else
                lockKey(1);
        }
    }
    disconnect();
}

void XkbLayouts::note(const std::string& line)
{
    // Said once per kind of trouble; the program goes on either way.
    static std::set<std::string> said;
    if (said.insert(line).second)
        std::fprintf(stderr, "%s\n", line.c_str());
}

bool XkbLayouts::readNames(RulesNames& names)
{
    char* rules = nullptr;
    XkbRF_VarDefsRec defs{};
    const bool read = XkbRF_GetNamesProp(display_, &rules, &defs) && rules && defs.layout;
    if (read)
        names = {text(rules), text(defs.model), text(defs.layout), text(defs.variant), text(defs.options)};
    std::free(rules);
    std::free(defs.model);
    std::free(defs.layout);
    std::free(defs.variant);
    std::free(defs.options);
    return read;
}

bool XkbLayouts::takeUserNames(const RulesNames& names)
{
    user_ = names;
    written_ = names;
    userGroups_ = splitXkbGroups(user_.layouts, user_.variants);
    if (userGroups_.size() > static_cast<std::size_t>(kMaxGroups))
        userGroups_.resize(kMaxGroups);
    return !userGroups_.empty();
}

void XkbLayouts::followServer()
{
    RulesNames now;
    if (!readNames(now))
        return;
    if (loaded_.empty()) {
        if (!(now == user_))
            takeUserNames(now);
        return;
    }
    if (now == written_)
        return;
    note("Mox!: the keyboard layouts were changed by another program; its layouts are kept");
    loaded_.clear();
    previous_ = 0;
    takeUserNames(now);
}

int XkbLayouts::groupCount() const
{
    return static_cast<int>(userGroups_.size() + loaded_.size());
}

XkbLayouts::Key XkbLayouts::keyAt(int index) const
{
    if (index < 0)
        return 0;
    const auto i = static_cast<std::size_t>(index);
    if (i < userGroups_.size())
        return static_cast<Key>(i + 1);
    if (i - userGroups_.size() < loaded_.size())
        return loaded_[i - userGroups_.size()].handle;
    return 0;
}

int XkbLayouts::indexOf(Key key) const
{
    for (int i = 0; i < groupCount(); ++i)
        if (keyAt(i) == key && key != 0)
            return i;
    return -1;
}

XkbLayouts::Key XkbLayouts::keyForLanguage(std::uint16_t id) const
{
    const auto wanted = xkbLayoutFor(id);
    for (std::size_t i = 0; i < userGroups_.size(); ++i) {
        const auto ids = languagesOfXkbLayout(userGroups_[i]);
        if ((wanted && *wanted == userGroups_[i]) || std::find(ids.begin(), ids.end(), id) != ids.end())
            return static_cast<Key>(i + 1);
    }
    for (const auto& l : loaded_)
        if ((wanted && *wanted == l.name) ||
            std::find(l.languages.begin(), l.languages.end(), id) != l.languages.end())
            return l.handle;
    return 0;
}

int XkbLayouts::lockedGroup()
{
    XkbStateRec state{};
    if (XkbGetState(display_, XkbUseCoreKbd, &state) != Success)
        return -1;
    return state.locked_group;
}

bool XkbLayouts::lockKey(Key key)
{
    const int index = indexOf(key);
    if (index < 0)
        return false;
    if (!XkbLockGroup(display_, XkbUseCoreKbd, static_cast<unsigned>(index)))
        return false;
    XSync(display_, False);
    drainEvents();
    return true;
}

void XkbLayouts::drainEvents()
{
    // This connection selects no events, but the server still sends it the
    // keymap notices of every change; discard them so they do not pile up.
    // Qt's connection is Qt's to read: it takes those notices itself.
    if (!ownsDisplay_)
        return;
    XEvent event;
    while (XPending(display_) > 0)
        XNextEvent(display_, &event);
}

bool XkbLayouts::applyGroups()
{
    std::string layouts = user_.layouts, variants = user_.variants;
    if (!loaded_.empty()) {
        layouts.clear();
        variants.clear();
        bool first = true;
        auto add = [&](const XkbLayoutName& g) {
            if (!first) {
                layouts += ',';
                variants += ',';
            }
            first = false;
            layouts += g.layout;
            variants += g.variant;
        };
        for (const auto& g : userGroups_)
            add(g);
        for (const auto& l : loaded_)
            add(l.name);
    }

    CText model(user_.model), layout(layouts), variant(variants), options(user_.options), rulesName(user_.rules);
    XkbRF_VarDefsRec defs{};
    defs.model = model.orNull();
    defs.layout = layout.orNull();
    defs.variant = variant.orNull();
    defs.options = options.orNull();

    const std::string path = user_.rules.find('/') == std::string::npos ? kRulesFolder + user_.rules : user_.rules;
    CText rulesPath(path), locale(std::string("C"));
    XkbRF_RulesPtr rules = XkbRF_Load(rulesPath.get(), locale.get(), False, True);
    if (!rules) {
        note("Mox!: cannot read the XKB rules " + path + "; keyboard layouts are not switched");
        return false;
    }
    XkbComponentNamesRec names{};
    const bool resolved = XkbRF_GetComponents(rules, &defs, &names);
    XkbRF_Free(rules, True);
    if (!resolved) {
        freeComponents(names);
        note("Mox!: the XKB rules give no keymap for the layouts " + layouts);
        return false;
    }
    XkbDescPtr keymap = XkbGetKeyboardByName(display_, XkbUseCoreKbd, &names, XkbGBN_AllComponentsMask,
                                             XkbGBN_AllComponentsMask & ~XkbGBN_GeometryMask, True);
    freeComponents(names);
    if (!keymap) {
        note("Mox!: the X server did not take the keymap for the layouts " + layouts);
        return false;
    }
    XkbFreeKeyboard(keymap, XkbAllComponentsMask, True);
    XkbRF_SetNamesProp(display_, rulesName.get(), &defs);
    written_ = {user_.rules, user_.model, layouts, variants, user_.options};
    XSync(display_, False);
    drainEvents();
    return true;
}

std::optional<std::vector<std::string>> XkbLayouts::preloadedLayoutNames()
{
    std::vector<std::string> names;
    if (!display_)
        return names;
    followServer();
    for (const auto& group : userGroups_)
        for (std::uint16_t id : languagesOfXkbLayout(group)) {
            const std::string name = nameOf(id);
            if (std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
    return names;
}

LayoutHandle XkbLayouts::load(const std::string& name)
{
    if (!display_)
        return 0;
    const std::uint16_t id = languageOfName(name);
    const auto wanted = id ? xkbLayoutFor(id) : std::nullopt;
    if (!wanted) {
        note("Mox!: no XKB layout is known for the keyboard layout " + name);
        return 0;
    }
    followServer();
    if (userGroups_.empty())
        return 0;
    const Key existing = keyForLanguage(id);
    if (existing != 0) {
        if (existing <= static_cast<Key>(kMaxGroups))
            return id; // one of the user's own groups: activated by its language
        for (auto& l : loaded_)
            if (l.handle == existing && std::find(l.languages.begin(), l.languages.end(), id) == l.languages.end())
                l.languages.push_back(id);
        return existing;
    }
    if (groupCount() >= kMaxGroups) {
        note("Mox!: keyboard layout " + name + " (" + wanted->layout +
             ") is not loaded: the keyboard already has four groups, the most XKB allows");
        return 0;
    }

    const Key current = keyAt(lockedGroup());
    const LayoutHandle handle = (static_cast<LayoutHandle>(nextSerial_++ & 0xFFFFu) << 16) | id;
    loaded_.push_back({*wanted, handle, languagesOfXkbLayout(*wanted)});
    if (std::find(loaded_.back().languages.begin(), loaded_.back().languages.end(), id) ==
        loaded_.back().languages.end())
        loaded_.back().languages.push_back(id);
    if (!applyGroups()) {
        loaded_.pop_back();
        return 0;
    }
    // The new keymap may reset the locked group; the active layout stays.
    lockKey(current != 0 ? current : 1);
    return handle;
}

bool XkbLayouts::activate(LayoutHandle layout)
{
    if (!display_)
        return false;
    followServer();
    const Key key = (layout >> 16) == 0 ? keyForLanguage(static_cast<std::uint16_t>(layout)) : layout;
    if (indexOf(key) < 0)
        return false;
    const Key current = keyAt(lockedGroup());
    if (!lockKey(key))
        return false;
    if (current != key)
        previous_ = current;
    return true;
}

bool XkbLayouts::activatePrevious()
{
    if (!display_)
        return false;
    followServer();
    if (indexOf(previous_) < 0)
        return false;
    const Key current = keyAt(lockedGroup());
    if (!lockKey(previous_))
        return false;
    previous_ = current != previous_ ? current : 0;
    return true;
}

bool XkbLayouts::unload(LayoutHandle layout)
{
    if (!display_ || (layout >> 16) == 0)
        return false; // the user's own groups are never unloaded
    followServer();
    auto it = std::find_if(loaded_.begin(), loaded_.end(), [&](const Loaded& l) { return l.handle == layout; });
    if (it == loaded_.end())
        return false;
    const Key current = keyAt(lockedGroup());
    const Loaded removed = *it;
    const auto position = it - loaded_.begin();
    loaded_.erase(it);
    if (!applyGroups()) {
        loaded_.insert(loaded_.begin() + position, removed);
        return false;
    }
    if (previous_ == layout)
        previous_ = 0;
    if (current != layout && indexOf(current) >= 0)
        lockKey(current);
    else if (indexOf(previous_) >= 0)
        lockKey(previous_);
    else
        lockKey(1);
    return true;
}

} // namespace mox
