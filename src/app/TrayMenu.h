#pragma once
#include <memory>

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

#include "learning/MainWindow.h"

class QMenu;

namespace mox {

// The notification-area icon of the learning window (tip "Mox!") and its
// menu. A left click opens the window; a right click builds the menu afresh
// (the autoshow item follows bAutoShow) and carries out the chosen command.
// While one of the program's own dialogs is open, clicks do nothing.
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

    static constexpr const char* kTip = "Mox!";

    TrayMenu(MainWindow& window, const QIcon& icon, QObject* parent = nullptr);
    ~TrayMenu() override;

    // TrayIconPort: the icon exists exactly while the window is hidden;
    // adding it again while it exists has no effect.
    void addIcon() override;
    void removeIcon() override;
    bool iconShown() const { return shown_; }
    // Shows `text` as a notification of the icon, when the icon is shown and
    // the tray can show notifications; false when it could not.
    bool notify(const QString& text);
    QSystemTrayIcon& icon() { return *icon_; }

    // The handler of the icon's mouse messages.
    void onTrayMessage(Click click);
    // The menu of one right click, in the order of its items; each action
    // carries its command number as data. Disabled where the command's window
    // is not part of the program.
    std::unique_ptr<QMenu> buildMenu() const;
    // Carries out a command of the menu (anything else does nothing).
    void perform(int command);

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    MainWindow& window_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    bool shown_ = false;
};

} // namespace mox
