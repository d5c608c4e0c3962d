#include "help/Help.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QWidget>

#include "help/HelpView.h"
#include "help/ProgramIcon.h"
#include "platform/MessagePort.h"
#include "platform/qt/ProgramModules.h"
#include "settings/Settings.h"

namespace mox {

namespace {
const Settings* g_settings = nullptr;
// The help window on view (or hidden) and its interface; the view is valid
// while the window lives.
QPointer<QWidget> g_window;
HelpView* g_view = nullptr;

void report(const Settings& settings, const QString& text)
{
    settings.messages().show(text.toStdString(), MessageIcon::Error, MessageButtons::Ok);
}
// The help module's function, loaded at the first request for help. A module
// that cannot be loaded is tried again at the next request (it may have been
// installed meanwhile).
MakeHelpView helpViewMaker(QString& error)
{
    static MakeHelpView maker = nullptr;
    if (!maker)
        maker = reinterpret_cast<MakeHelpView>(
            loadModuleFunction(programModuleFolders(), QLatin1String(kHelpWindowModule), kMakeHelpViewSymbol, error));
    return maker;
}

void closeHelpWindow()
{
    delete g_window.data();
    g_view = nullptr;
}
} // namespace

std::optional<HelpTopic> parseHelpTopic(const QString& topic)
{
    QString rest = topic.trimmed();
    if (rest.startsWith(QLatin1String("::")))
        rest.remove(0, 2);
    HelpTopic result;
    const qsizetype cut = rest.lastIndexOf(QLatin1Char('>'));
    if (cut >= 0) {
        result.window = rest.mid(cut + 1);
        rest.truncate(cut);
    }
    while (rest.startsWith(QLatin1Char('/')))
        rest.remove(0, 1);
    if (rest.isEmpty() && topic.trimmed().isEmpty())
        return result; // the start page
    const QString file = rest.section(QLatin1Char('#'), 0, 0);
    if (!file.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) || rest.contains(QLatin1String("..")))
        return std::nullopt;
    result.page = rest;
    return result;
}

void setHelpSettings(const Settings* settings)
{
    g_settings = settings;
}

bool showHelp(QWidget* owner, const QString& topic)
{
    if (!g_settings) {
        qWarning("showHelp: no settings were given to the help (setHelpSettings)");
        return false;
    }
    return showHelp(*g_settings, owner, topic);
}

bool showHelp(const Settings& settings, QWidget* owner, const QString& topic)
{
    const QString file = QString::fromStdString(settings.helpFile());
    if (!QFileInfo(file).isFile()) {
        report(settings, QStringLiteral("Файл справки не найден:\n%1").arg(file));
        return false;
    }
    const std::optional<HelpTopic> parsed = parseHelpTopic(topic);
    if (!parsed) {
        report(settings, QStringLiteral("Неверное имя раздела справки: «%1».").arg(topic));
        return false;
    }

    if (g_window && (g_view->helpFile() != file || g_view->isStale()))
        closeHelpWindow();
    if (!g_window) {
        QString error;
        const MakeHelpView make = helpViewMaker(error);
        if (!make) {
            report(settings, QStringLiteral("Справку показать нельзя: окно справки не загружается.\n\n%1").arg(error));
            return false;
        }
        g_view = make(file, owner);
        g_window = g_view->window();
        if (!g_view->isValid()) {
            const QString why = g_view->error();
            closeHelpWindow();
            report(settings, QStringLiteral("Не удалось открыть файл справки:\n%1\n\n%2").arg(file, why));
            return false;
        }
        g_window->setWindowIcon(programIcon());
    }
    if (g_window->parentWidget() != owner) {
        const QRect where = g_window->geometry();
        g_window->setParent(owner, Qt::Window);
        g_window->setGeometry(where);
    }
    if (!g_view->showPage(parsed->page)) {
        report(settings, QStringLiteral("В файле справки нет раздела «%1».")
                             .arg(parsed->page.isEmpty() ? QString::fromLatin1(kHelpStartPage) : parsed->page));
        return false;
    }
    if (!g_window->isVisible() && !g_window->property("placed").toBool()) {
        // The first showing: in the middle of the owner's screen.
        QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            QRect frame = g_window->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            g_window->move(frame.topLeft());
        }
        g_window->setProperty("placed", true);
    }
    g_window->show();
    g_window->raise();
    g_window->activateWindow();
    return true;
}

void installHelpKey(QWidget* window, const QString& topic)
{
    auto* key = new QShortcut(QKeySequence::HelpContents, window);
    key->setContext(Qt::WindowShortcut);
    QObject::connect(key, &QShortcut::activated, window, [window, topic] { showHelp(window, topic); });
}

} // namespace mox
