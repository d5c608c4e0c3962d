#pragma once
#include <QString>

#include <optional>

class QWidget;

namespace mox {

class Settings;

// A help topic as the windows name it: "::/html_files/intro.html>main" is the
// page "html_files/intro.html" in the help window "main". The empty topic is
// the help file's start page.
struct HelpTopic {
    QString page;
    QString window;
};
// Empty when the text names no page (a topic must name an .html page).
std::optional<HelpTopic> parseHelpTopic(const QString& topic);

// The settings showHelp takes the help file (helpFile()) and the message port
// from; the application sets it once at start.
void setHelpSettings(const Settings* settings);

// Shows the topic of the help file in the program's help window, owned by
// owner (it stays above it and goes away with it). Without a topic the start
// page is shown. A missing help file, a file the help engine cannot read and
// a topic the file lacks are each reported in a message box; the result says
// whether the page is on view.
bool showHelp(QWidget* owner, const QString& topic = {});
bool showHelp(const Settings& settings, QWidget* owner, const QString& topic = {});

// Makes F1 in window show the topic (through showHelp with window as owner).
void installHelpKey(QWidget* window, const QString& topic = {});

} // namespace mox
