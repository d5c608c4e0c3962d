#pragma once
#include <QDateTime>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUrl>

class QHelpEngine;
class QHelpIndexWidget;
class QHelpEngineCore;

namespace mox {

// A text browser that reads the pages, pictures and style sheets of a
// compiled help file through the help engine.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit HelpBrowser(QHelpEngineCore& engine, QWidget* parent = nullptr);
    QVariant loadResource(int type, const QUrl& name) override;

private:
    QHelpEngineCore& engine_;
};

// The help window "Mox! <> Справка": the contents and the keyword index of
// the help file beside the page on view, with back, forward and start-page
// buttons. Each window
// has a help engine of its own over a private collection file.
class HelpWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Mox! <> Справка";
    static constexpr const char* kVirtualFolder = "help";
    static constexpr const char* kStartPage = "index.html";

    explicit HelpWindow(const QString& helpFile, QWidget* owner = nullptr);
    ~HelpWindow() override;

    // Whether the help file could be registered; error() says why not.
    bool isValid() const { return valid_; }
    QString error() const { return error_; }
    QString helpFile() const { return helpFile_; }
    // Whether the file has changed on disk since this window read it.
    bool isStale() const;

    // The address of a page of the help file, or an empty URL if it lacks it.
    QUrl pageUrl(const QString& page) const;
    // Shows the page (the start page when empty); false when the file lacks it.
    bool showPage(const QString& page);

    HelpBrowser* browser() const { return browser_; }
    QHelpIndexWidget* index() const { return index_; }

private:
    QString helpFile_;
    QDateTime loadedStamp_;
    QTemporaryDir collectionDir_;
    QHelpEngine* engine_ = nullptr;
    HelpBrowser* browser_ = nullptr;
    QHelpIndexWidget* index_ = nullptr;
    QString namespace_;
    bool valid_ = false;
    QString error_;
};

} // namespace mox
