#pragma once
#include <string>
#include <vector>

namespace mox {

// What the program's command line asks for. The program has one option,
// --version; it also takes "-session ID", which a desktop's session manager
// hands back when it restarts the program at the next login (Qt reads it).
// Anything else is refused, so a mistyped option never passes unnoticed.
struct ProgramArguments {
    enum class Action { Run, Version, Refuse };
    Action action = Action::Run;
    std::string refusal;   // for Refuse: what is wrong, in Russian

    // args: the arguments after the program's name.
    static ProgramArguments parse(const std::vector<std::string>& args);

    // The usage line for standard error (Russian, without a line end).
    static const char* usage();
};

} // namespace mox
