#include "options/PgDictionary.h"

#include <cerrno>
#include <cstring>

#include <QFile>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QVBoxLayout>

#include "language/CharsetCodec.h"
#include "language/Font.h"
#include "language/LanguageTable.h"
#include "options/ExcludedWordsModel.h"
#include "options/ModuleRun.h"
#include "platform/MessagePort.h"
#include "settings/CurrentDictionary.h"
#include "settings/Settings.h"
#include "store/DictionaryFile.h"
#include "store/DictionaryLanguages.h"
#include "store/DictionarySession.h"
#include "store/FileNames.h"
#include "store/Store.h"
#include "widgets/ListOrder.h"

namespace mox {
namespace {

constexpr int kNameRole = Qt::UserRole;

const char* const kHintWithWords = "Выделите нужные слова и нажмите кнопку \"Применить\"";
const char* const kHintNoWords = "Исключенных слов нет";

// Draws the excluded words in the studied language's font, the selected ones
// bold, each row the font's height plus two pixels.
class ExcludedWordDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setFont(const QFont& font) { font_ = font; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(QFontMetrics(font_).height() + 2);
        return size;
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->font = font_;
        if (option->state & QStyle::State_Selected)
            option->font.setBold(true);
        option->fontMetrics = QFontMetrics(option->font);
    }

private:
    QFont font_;
};

QString shownName(const std::string& name)
{
    return QFile::decodeName(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
}

// Why a file could not be removed, in the user's words.
std::string removalReason(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return "нет прав на удаление файла из папки словарей";
    case EROFS:
        return "папка словарей находится на носителе, доступном только для чтения";
    case EBUSY:
        return "файл занят";
    case EISDIR:
        return "на месте файла находится папка";
    default:
        return std::strerror(error);
    }
}

} // namespace

CPgDictionary::CPgDictionary(Settings& settings, MessagePort& messages, DictionarySession& session,
                             EditorHook openEditor, QWidget* parent)
    : OptionsPage(parent),
      settings_(settings),
      messages_(messages),
      session_(session),
      openEditor_(std::move(openEditor)),
      current_(settings.sCurDict()),
      foreignFace_(settings.sForeignFontFace()),
      foreignCharSet_(settings.iForeignCharSet())
{
    if (currentIsPlain()) {
        const ItemCounts counts = DictItemCounts(settings_.dictionaryPath(), messages_);
        totalCount_ = counts.total;
        activeCount_ = counts.active;
    }
    buildControls();
}

CPgDictionary::~CPgDictionary() = default;

void CPgDictionary::buildControls()
{
    dictionaries_ = new QListWidget(this);
    dictionaries_->setObjectName(QStringLiteral("dictionaries"));
    dictionaries_->setSelectionMode(QAbstractItemView::SingleSelection);
    dictionaries_->setMinimumHeight(110);

    auto button = [this](const char* caption, const char* name) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        b->setDefault(false);
        return b;
    };
    create_ = button("Создать", "create");
    edit_ = button("Редактировать", "edit");
    restore_ = button("Восстановить", "restore");
    delete_ = button("Удалить", "delete");

    // The counts: right-aligned, bold, on the window colour of edit fields.
    QFont countFont;
    makeFont(countFont, 12, kFontWeightBold, charset::Russian, "Microsoft Sans Serif");
    auto countField = [this, &countFont](const char* name) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QLatin1String(name));
        field->setReadOnly(true);
        field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        field->setFont(countFont);
        field->setFocusPolicy(Qt::NoFocus);
        field->setMinimumWidth(QFontMetrics(countFont).horizontalAdvance(QStringLiteral("0000000")) + 12);
        return field;
    };
    activeField_ = countField("activeCount");
    totalField_ = countField("totalCount");

    auto* counts = new QGroupBox(QStringLiteral("Количество слов"), this);
    auto* countsGrid = new QGridLayout(counts);
    countsGrid->addWidget(new QLabel(QStringLiteral("Активно:"), counts), 0, 0);
    countsGrid->addWidget(activeField_, 0, 1);
    countsGrid->addWidget(new QLabel(QStringLiteral("Всего:"), counts), 1, 0);
    countsGrid->addWidget(totalField_, 1, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(create_);
    buttons->addWidget(edit_);
    buttons->addWidget(restore_);
    buttons->addWidget(delete_);
    buttons->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addWidget(dictionaries_, 1);
    top->addLayout(buttons);
    top->addWidget(counts, 0, Qt::AlignTop);

    // The excluded words: a view over a model, so that a dictionary of
    // 100,000 words lists at once and scrolls smoothly.
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabs"));
    auto* tab = new QWidget(tabs_);
    model_ = new ExcludedWordsModel(this);
    excluded_ = new QListView(tab);
    excluded_->setObjectName(QStringLiteral("excludedWords"));
    excluded_->setModel(model_);
    excluded_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    excluded_->setUniformItemSizes(true);
    excluded_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    excluded_->installEventFilter(this);
    makeFont(wordFont_, -kWordPoints, kFontWeightNormal, foreignCharSet_, foreignFace_);
    auto* delegate = new ExcludedWordDelegate(excluded_);
    delegate->setFont(wordFont_);
    excluded_->setItemDelegate(delegate);
    excluded_->setFont(wordFont_);
    excluded_->setMinimumHeight((QFontMetrics(wordFont_).height() + 2) * 8 + 2 * excluded_->frameWidth());

    // The hint: 11-pixel text on the menu colour.
    hint_ = new QPlainTextEdit(tab);
    hint_->setObjectName(QStringLiteral("hint"));
    hint_->setReadOnly(true);
    hint_->setFrameShape(QFrame::NoFrame);
    hint_->setFocusPolicy(Qt::NoFocus);
    hint_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont hintFont;
    makeFont(hintFont, 11, kFontWeightNormal, charset::Russian, "Microsoft Sans Serif");
    hint_->setFont(hintFont);
    QPalette hintPalette = hint_->palette();
    hintPalette.setColor(QPalette::Base, hintPalette.color(QPalette::Window));
    hintPalette.setColor(QPalette::Text, hintPalette.color(QPalette::WindowText));
    hint_->setPalette(hintPalette);
    hint_->setFixedHeight(QFontMetrics(hintFont).lineSpacing() * 2 + 10);

    auto* tabLayout = new QVBoxLayout(tab);
    tabLayout->addWidget(excluded_, 1);
    tabLayout->addWidget(hint_);
    tabs_->addTab(tab, QStringLiteral("Активизировать слова"));

    auto* page = new QVBoxLayout(this);
    page->addLayout(top, 0);
    page->addWidget(tabs_, 1);

    connect(dictionaries_, &QListWidget::itemSelectionChanged, this, [this] {
        if (selecting_)
            return;
        dictionaryChosen_ = true;
        updateModified();
    });
    connect(dictionaries_, &QListWidget::itemDoubleClicked, this, [this] { confirm(); });
    connect(excluded_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { updateModified(); });
    connect(create_, &QPushButton::clicked, this, &CPgDictionary::createDictionary);
    connect(edit_, &QPushButton::clicked, this, &CPgDictionary::editDictionary);
    connect(restore_, &QPushButton::clicked, this, &CPgDictionary::restoreCurrent);
    connect(delete_, &QPushButton::clicked, this, &CPgDictionary::deleteDictionary);
}

void CPgDictionary::firstShown()
{
    showCountFields();
    fillDictionaryList();
    showExcludedWords();
    // The current dictionary; a name that differs only in letter case, or
    // only begins the file name, stands in for it.
    int row = rowOf(current_);
    if (row < 0) {
        const QString wanted = shownName(settings_.sCurDict());
        for (int i = 0; i < dictionaries_->count(); ++i) {
            if (dictionaries_->item(i)->text().startsWith(wanted, Qt::CaseInsensitive)) {
                row = i;
                break;
            }
        }
    }
    selectRow(row);
}

QString CPgDictionary::moduleProgram() const
{
    if (!moduleProgram_.isEmpty())
        return moduleProgram_;
    return QFile::decodeName(QByteArray::fromStdString(settings_.modFolder())) + QString::fromUtf8(kModuleName);
}

bool CPgDictionary::currentIsPlain() const
{
    return isPlainFileName(settings_.sCurDict());
}

std::vector<std::string> CPgDictionary::dictionaryFiles() const
{
    const std::vector<std::string> names = DictionaryFolder(settings_.dictFolder()).dictionaryNames();
    QList<QString> shown;
    for (const std::string& name : names)
        shown.append(shownName(name));
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (const std::size_t i : listBoxOrder(shown))
        sorted.push_back(names[i]);
    return sorted;
}

void CPgDictionary::setDictionaryItems(const std::vector<std::string>& names)
{
    selecting_ = true;
    dictionaries_->clear();
    for (const std::string& name : names) {
        auto* item = new QListWidgetItem(shownName(name), dictionaries_);
        item->setData(kNameRole, QByteArray::fromStdString(name));
    }
    selecting_ = false;
}

bool CPgDictionary::createEmptyDictionary()
{
    if (DictionaryFolder(settings_.dictFolder()).createEmpty(kEmptyDictionary) != DictionaryFolder::Creation::failed)
        return true;
    messages_.show("Не удалось создать файл словаря.", MessageIcon::Error, MessageButtons::Ok);
    return false;
}

void CPgDictionary::fillDictionaryList()
{
    std::vector<std::string> names = dictionaryFiles();
    // A folder without any dictionary gets an empty one, listed at once.
    if (names.empty() && createEmptyDictionary())
        names = dictionaryFiles();
    setDictionaryItems(names);
}

int CPgDictionary::rowOf(const std::string& name) const
{
    const QByteArray wanted = QByteArray::fromStdString(name);
    for (int i = 0; i < dictionaries_->count(); ++i)
        if (dictionaries_->item(i)->data(kNameRole).toByteArray() == wanted)
            return i;
    return -1;
}

void CPgDictionary::selectRow(int row)
{
    selecting_ = true;
    if (row >= 0 && row < dictionaries_->count())
        dictionaries_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    else
        dictionaries_->clearSelection();
    selecting_ = false;
}

std::optional<std::string> CPgDictionary::selectedName() const
{
    const QList<QListWidgetItem*> selected = dictionaries_->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return selected.first()->data(kNameRole).toByteArray().toStdString();
}

void CPgDictionary::refreshDictionaries()
{
    for (;;) {
        const std::vector<std::string> names = dictionaryFiles();
        if (!names.empty()) {
            setDictionaryItems(names);
            // On a file system that tells letter case apart only the very
            // name is the current dictionary.
            const int row = rowOf(settings_.sCurDict());
            if (row >= 0) {
                selectRow(row);
            } else {
                selectRow(0);
                makeSelectedCurrent();
            }
            return;
        }
        if (messages_.show("Нет ни одного активного словаря. Создать словарь?", MessageIcon::Warning,
                           MessageButtons::YesNo) == MessageAnswer::Yes) {
            runModule();  // and ask again while no dictionary exists
            continue;
        }
        if (createEmptyDictionary())
            setDictionaryItems(dictionaryFiles());
        else
            setDictionaryItems({});
        selectRow(0);
        makeSelectedCurrent();
        return;
    }
}

void CPgDictionary::makeSelectedCurrent()
{
    const std::optional<std::string> name = selectedName();
    if (!name || *name == current_ || !isPlainFileName(*name))
        return;
    settings_.setSCurDict(*name);
    current_ = *name;
    settings_.setSCurList(listNameFor(*name));
    takeLanguagesOf(*name);
    const ItemCounts counts = DictItemCounts(settings_.dictionaryPath(), messages_);
    totalCount_ = counts.total;
    activeCount_ = counts.active;
    showCountFields();
    showExcludedWords();
}

void CPgDictionary::takeLanguagesOf(const std::string& name)
{
    // A dictionary made by the module knows its languages: they become the
    // settings' languages and the fonts' character sets (the user can still
    // change them on the fonts page).
    const DictionaryLanguages languages =
        readDictionaryLanguages(DictionaryFolder(settings_.dictFolder()).pathOf(name));
    if (!languages.known())
        return;
    settings_.setUiForeignLayout(*languages.foreign);
    settings_.setUiNativeLayout(*languages.native);
    settings_.setIForeignCharSet(charSetForLanguage(*languages.foreign));
    settings_.setINativeCharSet(charSetForLanguage(*languages.native));
}

void CPgDictionary::showCountFields()
{
    activeField_->setText(QString::number(activeCount_));
    totalField_->setText(QString::number(totalCount_));
}

void CPgDictionary::setHint()
{
    hint_->setPlainText(QString::fromUtf8(model_->rowCount() > 0 ? kHintWithWords : kHintNoWords));
}

void CPgDictionary::showExcludedWords()
{
    // The list shown (or kept from the last opening) is brought up to date
    // word by word; a dictionary without words shows none.
    if (!currentIsPlain()) {
        model_->clear();
        setHint();
        return;
    }
    const DictionaryFile dictionary(settings_.dictionaryPath());
    const FileStatus status = dictionary.status();
    if (!status.exists || (status.regular && status.size == 0)) {
        model_->clear();
        setHint();
        return;
    }
    std::optional<ExcludedScan> scan = dictionary.scanExcluded();
    if (!scan) {
        messages_.show("Ошибка 2: Не удалось открыть файл словаря для активизации лексики", MessageIcon::Error,
                       MessageButtons::Ok);
        model_->clear();
        setHint();
        return;
    }
    model_->setWords(settings_.dictionaryPath(), std::move(scan->words), std::move(scan->records),
                     CharsetCodec(foreignCharSet_));
    // The count of active words follows what the list now shows.
    activeCount_ = scan->activeCount;
    activeField_->setText(QString::number(activeCount_));
    setHint();
}

void CPgDictionary::activateSelectedWords()
{
    std::vector<std::string> words;
    for (const QItemSelectionRange& range : excluded_->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            words.push_back(model_->bytesAt(row));
    if (words.empty() || !currentIsPlain())
        return;
    DictionarySession& session = followCurrent();
    if (!session.dictionary().openForUpdate()) {
        messages_.show("Ошибка: Не удалось открыть словарь для активизации лексики", MessageIcon::Error,
                       MessageButtons::Ok);
        return;
    }
    const Activation result = session.activate(words);
    if (result.readFailed)
        messages_.show("Ошибка: Не удалось прочитать словарь при активизации лексики. Активизированы не все "
                       "выделенные слова.",
                       MessageIcon::Error, MessageButtons::Ok);
    else if (result.writeFailed)
        messages_.show("Ошибка: Не удалось записать словарь при активизации лексики. Активизированы не все "
                       "выделенные слова.",
                       MessageIcon::Error, MessageButtons::Ok);
    showExcludedWords();
}

bool CPgDictionary::confirm()
{
    if (tabs_->currentIndex() == 0 && excluded_->selectionModel()->hasSelection())
        activateSelectedWords();
    if (countsChangedByEditor_)
        settings_.setUiDictRecCount(totalCount_);
    makeSelectedCurrent();
    dictionaryChosen_ = false;
    updateModified();
    return true;
}

void CPgDictionary::updateModified()
{
    setModified(dictionaryChosen_ || excluded_->selectionModel()->hasSelection());
}

void CPgDictionary::runModule()
{
    if (ModuleRun::runAndWait(moduleProgram(), window()) == ModuleRun::Outcome::NotStarted)
        messages_.show("Невозможно запустить модуль.", MessageIcon::None, MessageButtons::Ok);
}

void CPgDictionary::createDictionary()
{
    runModule();
    refreshDictionaries();
}

void CPgDictionary::deleteDictionary()
{
    const std::optional<std::string> name = selectedName();
    if (!name || !isPlainFileName(*name))
        return;
    const bool current = *name == settings_.sCurDict();
    const std::string question = std::string(current ? "Для удаления выбран текущий словарь "
                                                     : "Для удаления выбран словарь ") +
                                 *name + ". \nПосле удаления восстановить его будет невозможно.\n" +
                                 "Удалить словарь?";
    if (messages_.show(question, MessageIcon::Question, MessageButtons::OkCancel) != MessageAnswer::Ok)
        return;

    // The list in memory of a dictionary about to go is dropped unwritten:
    // writing it would bring the deleted list file back.
    const DictionaryFolder folder(settings_.dictFolder());
    if (session_.paths().dictionary == folder.pathOf(*name))
        session_.close();
    const DictionaryFolder::Removal removal = folder.remove(*name);
    if (!removal.removed) {
        // Nothing was deleted: the page stays as it was.
        messages_.show("Не удалось удалить словарь " + *name + ": " + removalReason(removal.error) +
                           ".\nСловарь и его список остались без изменений.",
                       MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    if (!removal.leftBehind.empty()) {
        std::string files;
        for (const std::string& file : removal.leftBehind)
            files += (files.empty() ? "" : ", ") + file;
        messages_.show("Словарь " + *name + " удалён, но не удалось удалить файлы " + files + ".",
                       MessageIcon::Warning, MessageButtons::Ok);
    }
    // The deleted dictionary's counts and words are no one's now: whatever
    // becomes current is read afresh, even a new file of the same name.
    if (current)
        current_.clear();
    refreshDictionaries();
}

void CPgDictionary::editDictionary()
{
    if (!openEditor_ || !currentIsPlain())
        return;
    followCurrent();
    const EditorReport report = openEditor_(this);
    if (report.rowsDeleted) {
        countsChangedByEditor_ = true;
        const ItemCounts counts = DictItemCounts(settings_.dictionaryPath(), messages_);
        totalCount_ = counts.total;
        activeCount_ = counts.active;
        showCountFields();
    }
    if (report.rowsDeleted || report.cellsChanged) {
        showExcludedWords();
    }
}

void CPgDictionary::restoreCurrent()
{
    if (!currentIsPlain())
        return;
    const RestoreResult result = followCurrent().restore(this);
    if (result.reactivated) {
        settings_.setUiDictActiveCount(result.total);
        settings_.setUiDictRecCount(result.total);
    }
}

DictionarySession& CPgDictionary::followCurrent()
{
    session_.open(currentDictionaryPaths(settings_));
    return session_;
}

void CPgDictionary::clearExcludedWords()
{
    model_->clear();
    setHint();
}

void CPgDictionary::showCounts(std::uint32_t total, std::uint32_t active)
{
    totalCount_ = total;
    activeCount_ = active;
    showCountFields();
}

bool CPgDictionary::eventFilter(QObject* watched, QEvent* event)
{
    // Alt pressed while Ctrl is held selects every excluded word.
    if (watched == excluded_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Alt && (key->modifiers() & Qt::ControlModifier)) {
            excluded_->selectAll();
            return true;
        }
    }
    return OptionsPage::eventFilter(watched, event);
}

} // namespace mox
