#include "app/ProgramArguments.h"

namespace mox {

ProgramArguments ProgramArguments::parse(const std::vector<std::string>& args)
{
    ProgramArguments result;
    const auto refuse = [&result](std::string text) {
        result.action = Action::Refuse;
        result.refusal = std::move(text);
        return result;
    };
    if (args.size() == 1 && args[0] == "--version") {
        result.action = Action::Version;
        return result;
    }
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-session" || arg == "--session") {
            // The session manager's restart command: the option and its key.
            if (i + 1 >= args.size() || args[i + 1].empty() || args[i + 1][0] == '-')
                return refuse("«" + arg + "» ждёт ключ сеанса");
            ++i;
            continue;
        }
        if (arg == "--version")
            return refuse("--version не сочетается с другими параметрами");
        return refuse("неизвестный параметр «" + arg + "»");
    }
    return result;
}

const char* ProgramArguments::usage() { return "Использование: mox [--version]"; }

} // namespace mox
