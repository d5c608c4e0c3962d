#pragma once
#include <QString>

class QWidget;

namespace mox {

// The help window lives in a module of its own (help-window.so), loaded at
// the first request for help: Qt Help, and the Sql library it brings, are not
// loaded while the program waits in the tray. The module's one function makes
// the window over a help file, owned by owner; showHelp reaches it through
// this interface, which has no code of its own (so the program and the module
// share nothing but this header).
class HelpView {
public:
    virtual ~HelpView() = default;
    // The window itself ("Mox! <> Справка"); deleting it deletes the view.
    virtual QWidget* window() = 0;
    // Whether the help file could be registered; error() says why not.
    virtual bool isValid() const = 0;
    virtual QString error() const = 0;
    virtual QString helpFile() const = 0;
    // Whether the file has changed on disk since the window read it.
    virtual bool isStale() const = 0;
    // Shows the page (the start page when empty); false when the file lacks it.
    virtual bool showPage(const QString& page) = 0;

protected:
    HelpView() = default;
    HelpView(const HelpView&) = default;
    HelpView& operator=(const HelpView&) = default;
};

using MakeHelpView = HelpView* (*)(const QString& helpFile, QWidget* owner);
inline constexpr const char* kMakeHelpViewSymbol = "moxMakeHelpView";
inline constexpr const char* kHelpWindowModule = "help-window.so";
// The page an empty topic shows.
inline constexpr const char* kHelpStartPage = "index.html";

} // namespace mox
