#include "settings/CurrentDictionary.h"

#include "platform/MessagePort.h"
#include "settings/Settings.h"

namespace mox {

DictionaryPaths currentDictionaryPaths(const Settings& settings)
{
    return DictionaryFolder(settings.dictFolder()).resolve(settings.sCurDict(), settings.sCurList());
}

bool reportRefusedNames(const Settings& settings, MessagePort& messages)
{
    const DictionaryFolder folder(settings.dictFolder());
    NameRefusal why = NameRefusal::none;
    folder.resolve(settings.sCurDict(), settings.sCurList(), &why);
    std::string text;
    const auto outside = [&](const std::string& name, const char* what) {
        if (folder.path().empty() || name.empty() || !folder.pathOf(name).empty())
            return;
        text += text.empty() ? "" : "\n";
        const bool leads = name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos ||
                           name.find('\0') != std::string::npos;
        text += std::string(what) + " \"" + name + "\"" +
                (leads ? " указывает за пределы папки словарей " + folder.path() + "."
                       : " не годится в имя файла в папке словарей " + folder.path() +
                             " (неверная кодировка или ссылка за её пределы).");
    };
    switch (why) {
    case NameRefusal::outsideFolder:
        outside(settings.sCurDict(), "Имя словаря (sCurDict)");
        outside(settings.sCurList(), "Имя списка (sCurList)");
        break;
    case NameRefusal::listIsDictionary:
        text = "Имя списка (sCurList) \"" + settings.sCurList() + "\" указывает на файл словаря, а не на список.";
        break;
    case NameRefusal::notAFile:
    case NameRefusal::none:
        break;
    }
    if (text.empty())
        return false;
    messages.show(text + "\nСловарь не открыт, и ни один файл не изменён. Выберите словарь в настройках.",
                  MessageIcon::Warning, MessageButtons::Ok);
    return true;
}

} // namespace mox
