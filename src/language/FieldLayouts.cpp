#include "language/FieldLayouts.h"

namespace mox {

FieldLayouts::FieldLayouts(LayoutPort& port, Settings& settings, std::vector<std::uint32_t> languages)
    : layouts_(port, settings), languages_(std::move(languages)), slots_(languages_.size(), 0)
{
    layouts_.readPreloadLayouts(preloaded_);
}

FieldLayouts::~FieldLayouts()
{
    release();
}

void FieldLayouts::enter(std::size_t field)
{
    if (field < languages_.size())
        layouts_.activateLayout(languages_[field], slots_[field], preloaded_);
}

void FieldLayouts::release()
{
    // The slots are released together: one switch back, then the unloads.
    std::vector<LayoutHandle*> held;
    for (LayoutHandle& slot : slots_)
        held.push_back(&slot);
    layouts_.releaseSlots(held, preloaded_);
}

} // namespace mox
