#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "Version.h"
#include "app/App.h"
#include "app/ProgramArguments.h"
#include "platform/qt/RussianTexts.h"

int main(int argc, char** argv)
{
    // The command line is read before Qt starts: --version needs no display,
    // and a refused option leaves every file and the running copy alone.
    const auto arguments = mox::ProgramArguments::parse(std::vector<std::string>(argv + 1, argv + argc));
    switch (arguments.action) {
    case mox::ProgramArguments::Action::Version:
        // A version that cannot be written out (a closed or full output) is no success.
        return std::printf("Mox! %s\n", MOX_VERSION) < 0 || std::fflush(stdout) != 0 ? 1 : 0;
    case mox::ProgramArguments::Action::Refuse:
        std::fprintf(stderr, "mox: %s\n%s\n", arguments.refusal.c_str(), mox::ProgramArguments::usage());
        return 2;
    case mox::ProgramArguments::Action::Run:
        break;
    }
    QApplication application(argc, argv);
    mox::installRussianTexts();
    mox::App app;
    return app.run();
}
