#include "language/Layouts.h"

#include <cstdio>

#include "platform/MessagePort.h"
#include "settings/Settings.h"

namespace mox {

namespace {

unsigned char asciiLower(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Layout names are hexadecimal numbers: "0000040C" and "0000040c" name the
// same layout, so letters compare without regard to case.
bool sameLayoutName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(static_cast<unsigned char>(a[i])) != asciiLower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

std::string layoutName(std::uint32_t id)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%08x", static_cast<unsigned>(id));
    return buffer;
}

bool isPreloaded(std::uint32_t value, const std::vector<std::string>& list)
{
    const std::string name = layoutName(value & 0xFFFFu);
    for (const auto& entry : list)
        if (sameLayoutName(entry, name))
            return true;
    return false;
}

KeyboardLayouts::KeyboardLayouts(LayoutPort& port, Settings& settings) : port_(port), settings_(settings) {}

void KeyboardLayouts::readPreloadLayouts(std::vector<std::string>& list)
{
    auto names = port_.preloadedLayoutNames();
    if (!names) {
        settings_.messages().show("Error Open Key", MessageIcon::None);
        return;
    }
    list.insert(list.end(), names->begin(), names->end());
}

LayoutHandle KeyboardLayouts::loadLayout(std::uint32_t id)
{
    return port_.load(layoutName(id));
}

void KeyboardLayouts::activateLayout(std::uint32_t id, LayoutHandle& slot, const std::vector<std::string>& list)
{
    if (isPreloaded(id, list)) {
        // The user's own layout, named by its language alone.
        port_.activate(id & 0xFFFFu);
        return;
    }
    const LayoutHandle loaded = loadLayout(id);
    if (loaded == 0)
        return; // the active layout stays; a layout the slot already holds stays held
    port_.activate(loaded);
    const LayoutHandle earlier = slot;
    slot = loaded;
    // A slot that held another loaded layout (the language was changed in
    // the meantime) would lose it for good: unload it now, it is no longer
    // active.
    if (earlier != 0 && earlier != loaded && !isPreloaded(earlier, list) &&
        !isPreloaded(earlier, settings_.preloadLayouts()))
        port_.unload(earlier);
}

bool KeyboardLayouts::releaseLayout(LayoutHandle handle)
{
    if (handle == 0)
        return false;
    if (isPreloaded(handle, settings_.preloadLayouts()))
        return false;
    port_.activatePrevious();
    return port_.unload(handle);
}

bool KeyboardLayouts::releaseSlots(const std::vector<LayoutHandle*>& slots, const std::vector<std::string>& list)
{
    bool inUse = false;
    for (LayoutHandle* slot : slots)
        inUse = inUse || *slot != 0;
    if (!inUse)
        return false;
    port_.activatePrevious();
    bool unloaded = false;
    for (LayoutHandle* slot : slots) {
        if (*slot == 0 || isPreloaded(*slot, list) || isPreloaded(*slot, settings_.preloadLayouts()))
            continue;
        // Two fields of one language share one loaded layout: unload it once.
        const LayoutHandle handle = *slot;
        if (port_.unload(handle))
            unloaded = true;
        for (LayoutHandle* other : slots)
            if (*other == handle)
                *other = 0;
    }
    return unloaded;
}

} // namespace mox
