#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace mox {

// One open key of the per-user settings store: 32-bit numbers and texts.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    virtual std::optional<std::uint32_t> readNumber(const std::string& name) = 0;
    // Fails when the value is missing or is 255 bytes or longer.
    virtual std::optional<std::string> readText(const std::string& name) = 0;
    virtual bool writeNumber(const std::string& name, std::uint32_t value) = 0;
    virtual bool writeText(const std::string& name, const std::string& value) = 0;
};

// The per-user settings store. Paths use backslashes between key names, as in
// "Software\\Jov Software\\Mox!\\General". A key that the installation did not
// create fails to open (nullptr).
class RegistryPort {
public:
    virtual ~RegistryPort() = default;
    virtual std::unique_ptr<RegistryKey> openKey(const std::string& path) = 0;
    // Where the store keeps the settings, for messages (a file name), or
    // empty when that means nothing to the user.
    virtual std::string location() const { return {}; }
};

} // namespace mox
