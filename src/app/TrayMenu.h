#pragma once
#include <memory>

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

#include "learning/LearningController.h"

class QMenu;

namespace mox {

// The notification-area icon of the learning window (tip "Mox!") and its
// menu. A left click opens the window; a right click builds the menu afresh
// (the autoshow item follows bAutoShow) and carries out the chosen command.
// While one of the program's own dialogs is open, clicks do nothing.
//
// Where the tray speaks D-Bus on a Wayland desktop the menu is exported
// instead, for the tray to draw: a menu of the program's own could only come
// up as a window of its own there (a popup needs a parent window on screen).
// It is kept up to date (built again whenever the tray is about to show it,
// the icon comes back and after each command), and a tray that only sends a
// right click brings up the learning window, as the left click does.
class TrayMenu final : public QObject, public TrayIconPort {
    Q_OBJECT
public:
    // Command numbers of the menu items.
    enum Command : int {
        Open = 32781,
        Blank = 32783,
        AutoShowSwitch = 32780,
        Options = 32774,
        AddWords = 32779,
        Help = 32784,
        About = 32775,
        Exit = 32776,
    };
    // The mouse messages the icon reports.
    enum class Click { LeftReleased, RightPressed, Other };
    // Where the menu comes from: built and shown by the program at the
    // cursor, or exported for the tray to draw.
    enum class MenuMode { AtCursor, Exported };

    static constexpr const char* kTip = "Mox!";

    TrayMenu(LearningController& window, const QIcon& icon, MenuMode mode = MenuMode::AtCursor, QObject* parent = nullptr);
    ~TrayMenu() override;

    // TrayIconPort: the icon exists exactly while the window is hidden;
    // adding it again while it exists has no effect.
    void addIcon() override;
    void removeIcon() override;
    bool iconShown() const { return shown_; }
    // Shows `text` as a notification of the icon (a failure's by default),
    // when the icon is shown and the tray can show notifications; false when
    // it could not.
    bool notify(const QString& text, QSystemTrayIcon::MessageIcon icon = QSystemTrayIcon::Critical);
    QSystemTrayIcon& icon() { return *icon_; }

    // The handler of the icon's mouse messages.
    void onTrayMessage(Click click);
    // The menu of one right click, in the order of its items; each action
    // carries its command number as data. Disabled where the command's window
    // is not part of the program.
    std::unique_ptr<QMenu> buildMenu() const;
    // Carries out a command of the menu (anything else does nothing).
    void perform(int command);
    // The exported menu (null when the menu is shown at the cursor).
    QMenu* exportedMenu() const { return exported_.get(); }
    // A command chosen in the exported menu: as a click on the icon, nothing
    // while one of the program's dialogs is open.
    void onMenuCommand(int command);

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void fillMenu(QMenu& menu) const;
    void refreshExportedMenu();

    LearningController& window_;
    MenuMode mode_;
    std::unique_ptr<QMenu> exported_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    bool shown_ = false;
};

} // namespace mox
