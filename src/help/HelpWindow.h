#pragma once
#include <QDateTime>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUrl>

#include "help/HelpView.h"

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
// buttons. Each window has a help engine of its own over a private collection
// file. It is built into the help module only (see HelpView).
class HelpWindow : public QMainWindow, public HelpView {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Mox! <> Справка";
    static constexpr const char* kVirtualFolder = "help";
    static constexpr const char* kStartPage = kHelpStartPage;

    explicit HelpWindow(const QString& helpFile, QWidget* owner = nullptr);
    ~HelpWindow() override;

    QWidget* window() override { return this; }
    bool isValid() const override { return valid_; }
    QString error() const override { return error_; }
    QString helpFile() const override { return helpFile_; }
    bool isStale() const override;

    // The address of a page of the help file, or an empty URL if it lacks it.
    QUrl pageUrl(const QString& page) const;
    bool showPage(const QString& page) override;

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
