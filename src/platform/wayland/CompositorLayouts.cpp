#include "platform/wayland/CompositorLayouts.h"

#include <algorithm>
#include <cstdlib>

namespace mox {

namespace {

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
    if (!keyboard_->layouts())
        return std::nullopt;
    return std::vector<std::string>{}; // every switch is held and given back
}

LayoutHandle CompositorLayouts::load(const std::string& name)
{
    const std::uint16_t id = languageOfName(name);
    const auto list = keyboard_->layouts();
    if (!list || indexTyping(*list, id) < 0)
        return 0;
    return kHeld | id; // a configured layout, held by the window that switched
}

bool CompositorLayouts::activate(LayoutHandle layout)
{
    const auto list = keyboard_->layouts();
    if (!list)
        return false;
    const int index = indexTyping(*list, static_cast<std::uint16_t>(layout & 0xFFFFu));
    if (index < 0)
        return false;
    const int current = keyboard_->activeIndex();
    if (current != index && !keyboard_->switchTo(index))
        return false;
    // The user's layout is the one before the first switch since the last
    // give-back (a switch to the layout already active counts: the user's
    // layout is then that one).
    if (!userLayout_ && current >= 0 && current < static_cast<int>(list->size()))
        userLayout_ = (*list)[static_cast<std::size_t>(current)];
    return true;
}

bool CompositorLayouts::activatePrevious()
{
    if (!userLayout_)
        return false;
    const XkbLayoutName wanted = *userLayout_;
    userLayout_.reset();
    const auto list = keyboard_->layouts();
    if (!list)
        return false;
    const auto it = std::find(list->begin(), list->end(), wanted);
    if (it == list->end())
        return false; // the user removed it meanwhile
    const int index = static_cast<int>(it - list->begin());
    return keyboard_->activeIndex() == index || keyboard_->switchTo(index);
}

bool CompositorLayouts::unload(LayoutHandle layout)
{
    // Nothing was ever added to the compositor: a held handle's hold ends.
    return (layout & ~0xFFFFu) == kHeld;
}

} // namespace mox
