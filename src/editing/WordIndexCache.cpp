#include "editing/WordIndexCache.h"

namespace mox {

WordIndexCache& WordIndexCache::shared()
{
    static WordIndexCache cache;
    return cache;
}

std::unique_ptr<WordIndex> WordIndexCache::take(const Key& key)
{
    std::unique_ptr<WordIndex> index = std::move(index_);
    return index && key == key_ ? std::move(index) : nullptr;
}

void WordIndexCache::keep(const Key& key, std::unique_ptr<WordIndex> index)
{
    key_ = key;
    index_ = std::move(index);
}

void WordIndexCache::clear()
{
    index_.reset();
}

} // namespace mox
