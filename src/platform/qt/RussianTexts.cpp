#include "platform/qt/RussianTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>

namespace mox {

bool installRussianTexts()
{
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    QLocale::setDefault(russian);
    // Lives as long as the application: the texts are looked up whenever a
    // dialog is built.
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(russian, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        std::fprintf(stderr, "Mox!: Qt's Russian translations (qtbase_ru.qm) are not in %s; Qt's own texts stay English\n",
                     qPrintable(folder));
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace mox
