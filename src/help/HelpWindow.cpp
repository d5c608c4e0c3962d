#include "help/HelpWindow.h"

#include <QAction>
#include <QFileInfo>
#include <QHelpContentModel>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QImage>
#include <QLineEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>

namespace mox {

HelpBrowser::HelpBrowser(QHelpEngineCore& engine, QWidget* parent) : QTextBrowser(parent), engine_(engine)
{
    setOpenExternalLinks(true);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name)
{
    if (name.scheme() != QLatin1String("qthelp"))
        return QTextBrowser::loadResource(type, name);
    const QByteArray bytes = engine_.fileData(name);
    if (bytes.isEmpty())
        return {};
    switch (type) {
    case QTextDocument::HtmlResource:
    case QTextDocument::StyleSheetResource:
        return QString::fromUtf8(bytes);
    case QTextDocument::ImageResource:
        return QImage::fromData(bytes);
    default:
        return bytes;
    }
}

HelpWindow::HelpWindow(const QString& helpFile, QWidget* owner)
    : QMainWindow(owner, Qt::Window), helpFile_(helpFile), loadedStamp_(QFileInfo(helpFile).lastModified())
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QString::fromUtf8(kTitle));
    resize(820, 600);

    if (!collectionDir_.isValid()) {
        error_ = QStringLiteral("не удалось создать временную папку: ") + collectionDir_.errorString();
        return;
    }
    engine_ = new QHelpEngine(collectionDir_.filePath(QStringLiteral("mox.qhc")), this);
    engine_->setReadOnly(false);
    if (!engine_->setupData()) {
        error_ = engine_->error();
        return;
    }
    namespace_ = QHelpEngineCore::namespaceName(helpFile);
    if (namespace_.isEmpty() || !engine_->registerDocumentation(helpFile)) {
        error_ = engine_->error().isEmpty() ? QStringLiteral("файл не является файлом справки") : engine_->error();
        return;
    }
    engine_->setupData();

    browser_ = new HelpBrowser(*engine_, this);
    QHelpContentWidget* contents = engine_->contentWidget();
    connect(contents, &QHelpContentWidget::linkActivated, browser_, [this](const QUrl& url) {
        browser_->setSource(url);
    });
    // Left: the contents and the keyword index; right: the page.
    auto* tabs = new QTabWidget(this);
    tabs->addTab(contents, QStringLiteral("Содержание"));
    auto* indexPage = new QWidget(tabs);
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->setContentsMargins(2, 2, 2, 2);
    auto* find = new QLineEdit(indexPage);
    find->setPlaceholderText(QStringLiteral("Искать в указателе"));
    find->setClearButtonEnabled(true);
    index_ = engine_->indexWidget();
    indexLayout->addWidget(find);
    indexLayout->addWidget(index_);
    tabs->addTab(indexPage, QStringLiteral("Указатель"));
    connect(tabs, &QTabWidget::currentChanged, find, [tabs, indexPage, find](int) {
        if (tabs->currentWidget() == indexPage)
            find->setFocus();
    });
    connect(find, &QLineEdit::textChanged, index_, [this](const QString& text) { index_->filterIndices(text); });
    connect(find, &QLineEdit::returnPressed, index_, &QHelpIndexWidget::activateCurrentItem);
    connect(index_, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink& link, const QString&) { browser_->setSource(link.url); });
    connect(index_, &QHelpIndexWidget::documentsActivated, this, [this](const QList<QHelpLink>& links, const QString&) {
        if (!links.isEmpty())
            browser_->setSource(links.front().url);
    });

    auto* splitter = new QSplitter(this);
    splitter->addWidget(tabs);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 560});
    setCentralWidget(splitter);

    QToolBar* bar = addToolBar(QStringLiteral("Переходы"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QAction* back = bar->addAction(QStringLiteral("Назад"), browser_, &QTextBrowser::backward);
    QAction* forward = bar->addAction(QStringLiteral("Вперёд"), browser_, &QTextBrowser::forward);
    bar->addAction(QStringLiteral("Начало"), this, [this] { showPage({}); });
    bar->addSeparator();
    QAction* larger = bar->addAction(QStringLiteral("Крупнее"), browser_, [this] { browser_->zoomIn(1); });
    QAction* smaller = bar->addAction(QStringLiteral("Мельче"), browser_, [this] { browser_->zoomOut(1); });
    back->setShortcut(QKeySequence::Back);
    forward->setShortcut(QKeySequence::Forward);
    larger->setShortcuts({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    smaller->setShortcut(QKeySequence::ZoomOut);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    const auto markCurrent = [this, contents] {
        const QModelIndex index = contents->indexOf(browser_->source());
        if (index.isValid())
            contents->setCurrentIndex(index);
    };
    connect(browser_, &QTextBrowser::sourceChanged, this, markCurrent);
    // The contents are read in the background; open the first level when ready.
    connect(engine_->contentModel(), &QHelpContentModel::contentsCreated, this, [contents, markCurrent] {
        contents->expandToDepth(0);
        markCurrent();
    });
    valid_ = true;
}

HelpWindow::~HelpWindow() = default;

bool HelpWindow::isStale() const
{
    const QFileInfo info(helpFile_);
    return !info.isFile() || info.lastModified() != loadedStamp_;
}

QUrl HelpWindow::pageUrl(const QString& page) const
{
    if (!valid_)
        return {};
    QUrl url;
    url.setScheme(QStringLiteral("qthelp"));
    url.setHost(namespace_);
    url.setPath(QLatin1Char('/') + QLatin1String(kVirtualFolder) + QLatin1Char('/') +
                (page.isEmpty() ? QString::fromLatin1(kStartPage) : page));
    return engine_->fileData(url).isEmpty() ? QUrl() : url;
}

bool HelpWindow::showPage(const QString& page)
{
    const QUrl url = pageUrl(page);
    if (url.isEmpty())
        return false;
    browser_->setSource(url);
    return true;
}

} // namespace mox

// The module's one function (see HelpView).
extern "C" Q_DECL_EXPORT mox::HelpView* moxMakeHelpView(const QString& helpFile, QWidget* owner)
{
    return new mox::HelpWindow(helpFile, owner);
}
