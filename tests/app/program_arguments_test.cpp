// The program's command line: --version alone, the session manager's
// "-session KEY", and everything else refused with the reason.
#include <gtest/gtest.h>

#include "app/ProgramArguments.h"

using mox::ProgramArguments;
using Action = ProgramArguments::Action;

TEST(ProgramArguments, RunsPlainOrRestoredBySessionManagerShowsVersionAndRefusesTheRest)
{
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::string refusal;
    };
    const std::vector<Case> cases = {
        {{}, Action::Run, ""},
        {{"-session", "10d4f7e8c_1700000000"}, Action::Run, ""},
        {{"--session", "10d4f7e8c_1700000000"}, Action::Run, ""},
        {{"--version"}, Action::Version, ""},
        {{"--version", "--version"}, Action::Refuse, "--version не сочетается с другими параметрами"},
        {{"-session", "key", "--version"}, Action::Refuse, "--version не сочетается с другими параметрами"},
        {{"-session"}, Action::Refuse, "«-session» ждёт ключ сеанса"},
        {{"-session", "--version"}, Action::Refuse, "«-session» ждёт ключ сеанса"},
        {{"-session", ""}, Action::Refuse, "«-session» ждёт ключ сеанса"},
        {{"--help"}, Action::Refuse, "неизвестный параметр «--help»"},
        {{"-v"}, Action::Refuse, "неизвестный параметр «-v»"},
        {{"--Version"}, Action::Refuse, "неизвестный параметр «--Version»"},
        {{"words.txt"}, Action::Refuse, "неизвестный параметр «words.txt»"},
        {{"-platform", "offscreen"}, Action::Refuse, "неизвестный параметр «-platform»"},
        {{""}, Action::Refuse, "неизвестный параметр «»"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& a : c.args)
            joined += "[" + a + "]";
        const ProgramArguments parsed = ProgramArguments::parse(c.args);
        EXPECT_EQ(parsed.action, c.action) << joined;
        EXPECT_EQ(parsed.refusal, c.refusal) << joined;
    }
    EXPECT_STREQ(ProgramArguments::usage(), "Использование: mox [--version]");
}
