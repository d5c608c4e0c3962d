#include "help/Help.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QWidget>

#include "help/HelpWindow.h"
#include "platform/MessagePort.h"
#include "settings/Settings.h"

namespace mox {

namespace {
const Settings* g_settings = nullptr;
QPointer<HelpWindow> g_window;

void report(const Settings& settings, const QString& text)
{
    settings.messages().show(text.toStdString(), MessageIcon::Error, MessageButtons::Ok);
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

    if (g_window && (g_window->helpFile() != file || g_window->isStale()))
        delete g_window.data();
    if (!g_window) {
        g_window = new HelpWindow(file, owner);
        if (!g_window->isValid()) {
            const QString error = g_window->error();
            delete g_window.data();
            report(settings, QStringLiteral("Не удалось открыть файл справки:\n%1\n\n%2").arg(file, error));
            return false;
        }
    }
    if (g_window->parentWidget() != owner) {
        const QRect where = g_window->geometry();
        g_window->setParent(owner, Qt::Window);
        g_window->setGeometry(where);
    }
    if (!g_window->showPage(parsed->page)) {
        report(settings, QStringLiteral("В файле справки нет раздела «%1».")
                             .arg(parsed->page.isEmpty() ? QString::fromLatin1(HelpWindow::kStartPage) : parsed->page));
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
