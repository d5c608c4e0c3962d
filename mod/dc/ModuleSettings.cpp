#include "ModuleSettings.h"

#include "platform/MessagePort.h"
#include "platform/RegistryPort.h"
#include "settings/Settings.h"

namespace mox::dc {

namespace {

// Settings derives the folders; its messages are not wanted here.
class NoMessages final : public MessagePort {
public:
    MessageAnswer show(std::string_view, MessageIcon, MessageButtons, std::string_view) override
    {
        return MessageAnswer::Ok;
    }
};

} // namespace

ModuleSettings ModuleSettings::read(RegistryPort& registry)
{
    ModuleSettings result;
    if (auto product = registry.openKey(Settings::kProductKey)) {
        if (auto path = product->readText("sAppPath"); path && !path->empty()) {
            NoMessages quiet;
            Settings settings(quiet);
            settings.setAppPath(*path);
            result.dictFolder = settings.dictFolder();
            result.found = true;
        }
    }
    if (auto fonts = registry.openKey(std::string(Settings::kProductKey) + "\\Fonts")) {
        if (auto v = fonts->readNumber("uiForeignLayout"))
            result.foreignLanguage = *v;
        if (auto v = fonts->readNumber("uiNativeLayout"))
            result.nativeLanguage = *v;
        if (auto v = fonts->readNumber("iForeignCharSet"))
            result.foreignCharSet = static_cast<std::uint8_t>(*v & 0xFF);
        if (auto v = fonts->readNumber("iNativeCharSet"))
            result.nativeCharSet = static_cast<std::uint8_t>(*v & 0xFF);
    }
    return result;
}

} // namespace mox::dc
