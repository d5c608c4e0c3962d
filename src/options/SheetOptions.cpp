#include "options/SheetOptions.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

#include "options/OptionsPage.h"
#include "options/PgFont.h"
#include "options/PgGeneral.h"
#include "options/PgMetodika.h"
#include "options/PgResults.h"
#include "settings/Settings.h"

namespace mox {

CSheetOptions::CSheetOptions(Settings& settings, RegistryPort& registry, PageFactory makeDictionariesPage,
                             HelpHook help)
    : QDialog(nullptr), settings_(settings), registry_(registry), help_(std::move(help))
{
    setWindowTitle(QString::fromUtf8(kTitle));
    setObjectName(QStringLiteral("optionsSheet"));
    setModal(true);
    // A window of its own (it has no parent), which the Dictionaries page
    // minimises while the creation module runs: window managers offer that
    // only to a window that asks for a minimise button.
    setWindowFlag(Qt::WindowMinimizeButtonHint);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("pages"));
    // Every page copies its values now, when the sheet is built.
    addPage(new CPgGeneral(settings, tabs_));
    addPage(new CPgMetodika(settings, tabs_));
    if (makeDictionariesPage) {
        if (OptionsPage* page = makeDictionariesPage(tabs_))
            addPage(page);
    }
    addPage(new CPgFont(settings, tabs_));
    addPage(new CPgResults(settings, tabs_));

    buttons_ = new QDialogButtonBox(this);
    QPushButton* ok = buttons_->addButton(QStringLiteral("ОК"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    QPushButton* cancel = buttons_->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancel"));
    apply_ = buttons_->addButton(QStringLiteral("Применить"), QDialogButtonBox::ApplyRole);
    apply_->setObjectName(QStringLiteral("apply"));
    apply_->setEnabled(false);
    QPushButton* helpButton = buttons_->addButton(QStringLiteral("Справка"), QDialogButtonBox::HelpRole);
    helpButton->setObjectName(QStringLiteral("help"));
    for (QPushButton* button : {ok, cancel, apply_, helpButton})
        button->setAutoDefault(false);

    connect(buttons_, &QDialogButtonBox::accepted, this, &CSheetOptions::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &CSheetOptions::reject);
    connect(buttons_, &QDialogButtonBox::helpRequested, this, &CSheetOptions::showPageHelp);
    connect(apply_, &QPushButton::clicked, this, [this] { confirmPages(); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, &CSheetOptions::showPageHelp);
    // "Справка" only where the page has a topic.
    const auto followPage = [this, helpButton] {
        const OptionsPage* page = currentPage();
        helpButton->setEnabled(page != nullptr && !page->helpTopic().isEmpty());
    };
    connect(tabs_, &QTabWidget::currentChanged, this, followPage);
    followPage();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons_);
}

CSheetOptions::~CSheetOptions()
{
    // Whatever the pages confirmed or not: the settings go to the store.
    settings_.save(registry_);
}

void CSheetOptions::addPage(OptionsPage* page)
{
    pages_.push_back(page);
    tabs_->addTab(page, page->tabCaption());
    connect(page, &OptionsPage::modifiedChanged, this, &CSheetOptions::updateApply);
}

OptionsPage* CSheetOptions::currentPage() const
{
    return static_cast<OptionsPage*>(tabs_->currentWidget());
}

void CSheetOptions::setCurrentPage(int index)
{
    tabs_->setCurrentIndex(index);
}

void CSheetOptions::updateApply()
{
    bool modified = false;
    for (OptionsPage* page : pages_)
        modified = modified || (page->displayed() && page->isModified());
    apply_->setEnabled(modified);
}

bool CSheetOptions::confirmPages()
{
    for (OptionsPage* page : pages_) {
        if (!page->displayed())
            continue;
        if (!page->confirm()) {
            tabs_->setCurrentWidget(page);
            updateApply();
            return false;
        }
    }
    updateApply();
    return true;
}

void CSheetOptions::accept()
{
    if (confirmPages())
        QDialog::accept();
}

void CSheetOptions::showPageHelp()
{
    OptionsPage* page = currentPage();
    if (!page || !help_)
        return;
    const QString topic = page->helpTopic();
    if (!topic.isEmpty())
        help_(this, topic);
}

} // namespace mox
