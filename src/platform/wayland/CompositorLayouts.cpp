#include "platform/wayland/CompositorLayouts.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace mox {

namespace {

std::string nameOf(std::uint16_t id)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08x", static_cast<unsigned>(id));
    return buffer;
}

// The language identifier of a layout name ("00000419"); 0 when the name is
// not eight hexadecimal digits or names no language.
std::uint16_t languageOfName(const std::string& name)
{
    if (name.size() != 8 || !std::all_of(name.begin(), name.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        }))
        return 0;
    const unsigned long value = std::strtoul(name.c_str(), nullptr, 16);
    return static_cast<std::uint16_t>(value & 0xFFFFu);
}

int indexTyping(const std::vector<XkbLayoutName>& list, std::uint16_t id)
{
    if (id == 0)
        return -1;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (typesLanguage(list[i], id))
            return static_cast<int>(i);
    return -1;
}

} // namespace

bool typesLanguage(const XkbLayoutName& layout, std::uint16_t id)
{
    if (layout.layout.empty())
        return false;
    const auto wanted = xkbLayoutFor(id);
    if (wanted && *wanted == layout)
        return true;
    const auto ids = languagesOfXkbLayout(layout);
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

CompositorLayouts::CompositorLayouts(std::unique_ptr<CompositorKeyboard> keyboard) : keyboard_(std::move(keyboard)) {}

std::optional<std::vector<std::string>> CompositorLayouts::preloadedLayoutNames()
{
    const auto list = keyboard_->layouts();
    if (!list)
        return std::nullopt;
    std::vector<std::string> names;
    for (const auto& layout : *list)
        for (std::uint16_t id : languagesOfXkbLayout(layout)) {
            const std::string name = nameOf(id);
            if (std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
    return names;
}

LayoutHandle CompositorLayouts::load(const std::string& name)
{
    const std::uint16_t id = languageOfName(name);
    const auto list = keyboard_->layouts();
    if (!list || indexTyping(*list, id) < 0)
        return 0;
    return id; // a configured layout: activated by its language
}

bool CompositorLayouts::switchFrom(const std::vector<XkbLayoutName>& list, int index)
{
    const int current = keyboard_->activeIndex();
    if (current == index)
        return true;
    if (!keyboard_->switchTo(index))
        return false;
    if (current >= 0 && current < static_cast<int>(list.size()))
        previous_ = list[static_cast<std::size_t>(current)];
    return true;
}

bool CompositorLayouts::activate(LayoutHandle layout)
{
    const auto list = keyboard_->layouts();
    if (!list)
        return false;
    const int index = indexTyping(*list, static_cast<std::uint16_t>(layout & 0xFFFFu));
    return index >= 0 && switchFrom(*list, index);
}

bool CompositorLayouts::activatePrevious()
{
    if (!previous_)
        return false;
    const auto list = keyboard_->layouts();
    if (!list)
        return false;
    const auto it = std::find(list->begin(), list->end(), *previous_);
    if (it == list->end()) {
        previous_.reset(); // the user removed it meanwhile
        return false;
    }
    const int index = static_cast<int>(it - list->begin());
    const int current = keyboard_->activeIndex();
    if (!switchFrom(*list, index))
        return false;
    if (current == index || current < 0)
        previous_.reset();
    return true;
}

bool CompositorLayouts::unload(LayoutHandle)
{
    return false; // nothing was ever added to the compositor
}

NoLayouts::NoLayouts()
{
    std::fprintf(stderr, "Mox!: this Wayland desktop lets no program switch keyboard layouts; layouts are not switched\n");
}

} // namespace mox
