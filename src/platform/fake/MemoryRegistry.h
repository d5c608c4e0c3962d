#pragma once
#include <map>
#include <set>
#include <string>
#include <variant>

#include "platform/RegistryPort.h"

namespace mox {

// An in-memory settings store for tests: keys exist only when created, and
// single values or whole keys can be made to fail.
class MemoryRegistry final : public RegistryPort {
public:
    using Value = std::variant<std::uint32_t, std::string>;

    void createKey(const std::string& path) { keys_[path]; }
    void setNumber(const std::string& key, const std::string& name, std::uint32_t v) { keys_[key][name] = v; }
    void setText(const std::string& key, const std::string& name, const std::string& v) { keys_[key][name] = v; }
    bool has(const std::string& key, const std::string& name) const;
    std::uint32_t number(const std::string& key, const std::string& name) const;
    std::string text(const std::string& key, const std::string& name) const;
    void failWrites(const std::string& name) { failingWrites_.insert(name); }

    std::unique_ptr<RegistryKey> openKey(const std::string& path) override;

private:
    friend class MemoryRegistryKey;
    std::map<std::string, std::map<std::string, Value>> keys_;
    std::set<std::string> failingWrites_;
};

} // namespace mox
