#include "app/TrayMenu.h"

#include <QCursor>
#include <QMenu>

#include "learning/MainWindow.h"
#include "settings/Settings.h"

namespace mox {

TrayMenu::TrayMenu(LearningController& window, const QIcon& icon, MenuMode mode, QObject* parent)
    : QObject(parent), window_(window), mode_(mode), icon_(std::make_unique<QSystemTrayIcon>(icon))
{
    icon_->setToolTip(QString::fromUtf8(kTip));
    connect(icon_.get(), &QSystemTrayIcon::activated, this, &TrayMenu::onActivated);
    if (mode_ == MenuMode::Exported) {
        exported_ = std::make_unique<QMenu>();
        exported_->setObjectName("SysTray");
        fillMenu(*exported_);
        connect(exported_.get(), &QMenu::aboutToShow, this, &TrayMenu::refreshExportedMenu);
        connect(exported_.get(), &QMenu::triggered, this, [this](QAction* action) {
            const int command = action->data().toInt();
            // After the tray's own handling of the click: the command may
            // build the menu again, and with it the action that reported it.
            QMetaObject::invokeMethod(this, [this, command] { onMenuCommand(command); }, Qt::QueuedConnection);
        });
        icon_->setContextMenu(exported_.get());
    }
}

TrayMenu::~TrayMenu()
{
    // No icon is left behind in the notification area.
    icon_->hide();
}

void TrayMenu::addIcon()
{
    if (shown_)
        return;
    shown_ = true;
    refreshExportedMenu();
    icon_->show();
}

void TrayMenu::removeIcon()
{
    shown_ = false;
    icon_->hide();
}

bool TrayMenu::notify(const QString& text, QSystemTrayIcon::MessageIcon icon)
{
    if (!shown_ || !QSystemTrayIcon::supportsMessages())
        return false;
    icon_->showMessage(QString::fromUtf8(kTip), text, icon, 10000);
    return true;
}

void TrayMenu::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    const Click click = reason == QSystemTrayIcon::Trigger   ? Click::LeftReleased
                        : reason == QSystemTrayIcon::Context ? Click::RightPressed
                                                             : Click::Other;
    // Handled once the icon's own mouse handling is over: opening the window
    // or exiting removes the icon, and with it the widget that reported the
    // click, which must not go away under its own event handler.
    QMetaObject::invokeMethod(this, [this, click] { onTrayMessage(click); }, Qt::QueuedConnection);
}

void TrayMenu::onTrayMessage(Click click)
{
    window_.autoShow().rememberForeground();
    if (window_.ownDialogOpen())
        return;
    switch (click) {
    case Click::LeftReleased:
        window_.autoShow().openFromTray();
        break;
    case Click::RightPressed: {
        if (mode_ == MenuMode::Exported) {
            // The tray did not draw the exported menu and asks the program to
            // show one: the learning window comes up instead, with the
            // commands on its buttons.
            window_.autoShow().openFromTray();
            break;
        }
        const QPoint at = QCursor::pos();
        std::unique_ptr<QMenu> menu = buildMenu();
        QAction* chosen = menu->exec(at);
        const int command = chosen ? chosen->data().toInt() : 0;
        menu.reset();
        perform(command);
        break;
    }
    case Click::Other:
        break;
    }
}

void TrayMenu::onMenuCommand(int command)
{
    window_.autoShow().rememberForeground();
    if (window_.ownDialogOpen())
        return;
    perform(command);
}

void TrayMenu::refreshExportedMenu()
{
    if (!exported_)
        return;
    exported_->clear();
    fillMenu(*exported_);
}

std::unique_ptr<QMenu> TrayMenu::buildMenu() const
{
    auto menu = std::make_unique<QMenu>();
    menu->setObjectName("SysTray");
    fillMenu(*menu);
    return menu;
}

void TrayMenu::fillMenu(QMenu& target) const
{
    QMenu* menu = &target;
    const MainWindowDialogs& dialogs = window_.dialogs();
    auto add = [&](const QString& text, int command, bool enabled) {
        QAction* action = menu->addAction(text);
        action->setData(command);
        action->setEnabled(enabled);
        return action;
    };
    QAction* open = add(QStringLiteral("Открыть &Mox!"), Open, true);
    // The item without text shows as a line and does nothing.
    menu->addSeparator()->setData(Blank);
    const std::int32_t autoShow = window_.settings().bAutoShow();
    if (autoShow == 1)
        add(QStringLiteral("Выключить автопоказ"), AutoShowSwitch, true);
    else if (autoShow == 0)
        add(QStringLiteral("Включить автопоказ"), AutoShowSwitch, true);
    menu->addSeparator();
    add(QStringLiteral("&Опции"), Options, static_cast<bool>(dialogs.options));
    add(QStringLiteral("Добавить &лексику"), AddWords, static_cast<bool>(dialogs.addWords));
    menu->addSeparator();
    add(QStringLiteral("Помощь"), Help, static_cast<bool>(dialogs.help));
    add(QStringLiteral("О &программе..."), About, static_cast<bool>(dialogs.about));
    menu->addSeparator();
    add(QStringLiteral("&Выход"), Exit, true);

    // The first item is the default one, shown bold.
    menu->setDefaultAction(open);
    QFont bold = open->font();
    bold.setBold(true);
    open->setFont(bold);
}

void TrayMenu::perform(int command)
{
    switch (command) {
    case Open:
        window_.autoShow().openFromTray();
        break;
    case AutoShowSwitch:
        window_.autoShow().toggleAutoShow();
        break;
    case Options:
        window_.optionsFromTray();
        break;
    case AddWords:
        window_.addWordsFromTray();
        break;
    case Help:
        window_.openHelp(MainWindow::introTopic());
        break;
    case About:
        window_.aboutFromTray();
        break;
    case Exit:
        removeIcon();
        window_.exitProgram();
        break;
    default:
        break;
    }
    // The autoshow item follows bAutoShow, which the command may have changed.
    if (command != Exit)
        refreshExportedMenu();
}

} // namespace mox
