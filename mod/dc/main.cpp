// The dictionary-creation module. Without arguments it opens its window (the
// options sheet starts it so and waits for it); with arguments it does one
// job from the command line and ends with its exit code.
#include <QApplication>
#include <QCoreApplication>

#include <iostream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "DcWindow.h"
#include "ModuleSettings.h"
#include "platform/qt/QtMessages.h"
#include "platform/qt/QtRegistry.h"
#include "platform/qt/RussianTexts.h"

int main(int argc, char** argv)
{
    if (argc > 1) {
        QCoreApplication application(argc, argv);
        std::vector<std::string> args;
        for (const QString& arg : QCoreApplication::arguments().mid(1))
            args.push_back(arg.toStdString());
        mox::QtRegistry registry;
        return mox::dc::runCommandLine(args, registry, std::cout, std::cerr);
    }

    QApplication application(argc, argv);
    // The standard dialogs (the file chooser, message-box buttons) in Russian
    // like the rest of the window, whatever the locale.
    mox::installRussianTexts();
    mox::QtRegistry registry;
    mox::QtMessages messages;
    const mox::dc::ModuleSettings settings = mox::dc::ModuleSettings::read(registry);
    if (!settings.found) {
        messages.show("Настройки Mox! не найдены: запустите Mox! хотя бы раз, затем создайте словарь.",
                      mox::MessageIcon::Error);
        return 1;
    }
    mox::dc::DcWindow window(settings, messages);
    messages.setDefaultOwner(&window);
    window.show();
    window.exec();
    return 0;
}
