#include "platform/fake/FakeLayoutPort.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace mox {

namespace {

std::string hex(LayoutHandle h)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%x", static_cast<unsigned>(h));
    return buffer;
}

// The language identifier of a name of eight hexadecimal digits, or 0.
std::uint16_t languageOf(const std::string& name)
{
    if (name.empty() || name.size() > 8)
        return 0;
    char* end = nullptr;
    unsigned long value = std::strtoul(name.c_str(), &end, 16);
    if (*end != '\0')
        return 0;
    return static_cast<std::uint16_t>(value & 0xFFFFu);
}

} // namespace

FakeLayoutPort::FakeLayoutPort(std::optional<std::vector<std::string>> preload) : preload_(std::move(preload))
{
    if (!preload_)
        return;
    for (const auto& name : *preload_) {
        const std::uint16_t lang = languageOf(name);
        if (lang == 0)
            continue;
        layouts_.push_back({name, static_cast<LayoutHandle>(0x10000u | lang), true});
    }
    if (!layouts_.empty())
        active_ = layouts_.front().handle;
}

std::optional<std::vector<std::string>> FakeLayoutPort::preloadedLayoutNames()
{
    calls.push_back("preload");
    return preload_;
}

LayoutHandle FakeLayoutPort::load(const std::string& name)
{
    calls.push_back("load " + name);
    const std::uint16_t lang = languageOf(name);
    if (lang == 0 || failingNames.count(name))
        return 0;
    for (const auto& layout : layouts_)
        if ((layout.handle & 0xFFFFu) == lang)
            return layout.handle; // already there, the user's or ours
    const LayoutHandle handle = (nextDevice_++ << 16) | lang;
    layouts_.push_back({name, handle, false});
    return handle;
}

const FakeLayoutPort::Layout* FakeLayoutPort::find(LayoutHandle layout) const
{
    for (const auto& l : layouts_) {
        if ((layout >> 16) == 0 ? (l.handle & 0xFFFFu) == layout : l.handle == layout)
            return &l;
    }
    return nullptr;
}

bool FakeLayoutPort::activate(LayoutHandle layout)
{
    calls.push_back("activate " + hex(layout));
    const Layout* l = find(layout);
    if (!l)
        return false;
    if (l->handle != active_) {
        previous_ = active_;
        active_ = l->handle;
    }
    return true;
}

bool FakeLayoutPort::activatePrevious()
{
    calls.push_back("previous");
    if (previous_ == 0 || !find(previous_))
        return false;
    std::swap(active_, previous_);
    return true;
}

bool FakeLayoutPort::unload(LayoutHandle layout)
{
    calls.push_back("unload " + hex(layout));
    auto it = std::find_if(layouts_.begin(), layouts_.end(), [&](const Layout& l) { return l.handle == layout; });
    if (it == layouts_.end())
        return false;
    if (it->preloaded) {
        preloadedUnloadAttempted = true;
        return false;
    }
    layouts_.erase(it);
    if (previous_ == layout)
        previous_ = 0;
    if (active_ == layout) {
        active_ = previous_ ? previous_ : (layouts_.empty() ? 0 : layouts_.front().handle);
        previous_ = 0;
    }
    return true;
}

bool FakeLayoutPort::isLoaded(LayoutHandle handle) const
{
    return std::any_of(layouts_.begin(), layouts_.end(), [&](const Layout& l) { return l.handle == handle; });
}

LayoutHandle FakeLayoutPort::loadedHandle(const std::string& name) const
{
    const std::uint16_t lang = languageOf(name);
    for (const auto& l : layouts_)
        if (!l.preloaded && (l.handle & 0xFFFFu) == lang)
            return l.handle;
    return 0;
}

} // namespace mox
