#include "platform/fake/MemoryRegistry.h"

namespace mox {

class MemoryRegistryKey final : public RegistryKey {
public:
    MemoryRegistryKey(MemoryRegistry& owner, std::map<std::string, MemoryRegistry::Value>& values)
        : owner_(owner), values_(values) {}

    std::optional<std::uint32_t> readNumber(const std::string& name) override
    {
        auto it = values_.find(name);
        if (it == values_.end() || !std::holds_alternative<std::uint32_t>(it->second))
            return std::nullopt;
        return std::get<std::uint32_t>(it->second);
    }
    std::optional<std::string> readText(const std::string& name) override
    {
        auto it = values_.find(name);
        if (it == values_.end() || !std::holds_alternative<std::string>(it->second))
            return std::nullopt;
        const auto& text = std::get<std::string>(it->second);
        if (text.size() >= 255)
            return std::nullopt;
        return text;
    }
    bool writeNumber(const std::string& name, std::uint32_t value) override
    {
        if (owner_.failingWrites_.count(name))
            return false;
        values_[name] = value;
        return true;
    }
    bool writeText(const std::string& name, const std::string& value) override
    {
        if (owner_.failingWrites_.count(name))
            return false;
        values_[name] = value;
        return true;
    }

private:
    MemoryRegistry& owner_;
    std::map<std::string, MemoryRegistry::Value>& values_;
};

std::unique_ptr<RegistryKey> MemoryRegistry::openKey(const std::string& path)
{
    auto it = keys_.find(path);
    if (it == keys_.end())
        return nullptr;
    return std::make_unique<MemoryRegistryKey>(*this, it->second);
}

bool MemoryRegistry::has(const std::string& key, const std::string& name) const
{
    auto k = keys_.find(key);
    return k != keys_.end() && k->second.count(name);
}

std::uint32_t MemoryRegistry::number(const std::string& key, const std::string& name) const
{
    return std::get<std::uint32_t>(keys_.at(key).at(name));
}

std::string MemoryRegistry::text(const std::string& key, const std::string& name) const
{
    return std::get<std::string>(keys_.at(key).at(name));
}

} // namespace mox
