// The three pages of the module's window: their fields and layout.
#include "DcWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

#include "Jobs.h"
#include "QtCodePage.h"
#include "language/LanguageTable.h"
#include "platform/MessagePort.h"

namespace mox::dc {

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

void fillLanguages(QComboBox* box, std::uint32_t current)
{
    for (const LanguageRow& row : LanguageTable)
        box->addItem(QString::fromUtf8(row.listText.data(), static_cast<qsizetype>(row.listText.size())),
                     QVariant::fromValue(static_cast<uint>(row.id)));
    box->setCurrentIndex(languageIndexOf(current).value_or(0));
}

// A row with the page's action button at its right end. Enter presses it:
// each page has one such button, and the dialog presses the visible one.
QHBoxLayout* buttonRow(QPushButton* button)
{
    button->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(button);
    return row;
}

// A page of a few fields, a hint below them and the action button.
QWidget* fieldsPage(QLayout* fields, const QString& hintText, QPushButton* button)
{
    auto* page = new QWidget;
    auto* hint = new QLabel(hintText);
    hint->setWordWrap(true);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(fields);
    layout->addWidget(hint);
    layout->addLayout(buttonRow(button));
    layout->addStretch(1);
    return page;
}

} // namespace

QWidget* DcWindow::buildImportPage()
{
    auto* page = new QWidget;

    fileEdit_ = new QLineEdit;
    fileEdit_->setPlaceholderText(QStringLiteral(
        "путь к файлу (или перетащите его сюда): текст, файл заметок, пакет колоды .apkg/.colpkg, KVTML"));
    // A typed or pasted path is opened with Enter (see eventFilter).
    fileEdit_->installEventFilter(this);
    auto* browse = new QPushButton(QStringLiteral("Обзор…"));
    browse->setAutoDefault(false);   // Enter in a field never opens the file chooser
    connect(browse, &QPushButton::clicked, this, &DcWindow::chooseFile);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("Файл:")));
    fileRow->addWidget(fileEdit_, 1);
    fileRow->addWidget(browse);

    separator_ = new QComboBox;
    separator_->addItems({QStringLiteral("по первым строкам"), QStringLiteral("табуляция"),
                          QStringLiteral("запятая (CSV)"), QStringLiteral("точка с запятой (CSV)")});
    header_ = new QCheckBox(QStringLiteral("Первая строка — заголовок, пропустить"));
    connect(separator_, &QComboBox::currentIndexChanged, this, &DcWindow::refreshPreview);
    connect(header_, &QCheckBox::toggled, this, &DcWindow::refreshPreview);
    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(new QLabel(QStringLiteral("Разделитель:")));
    formatRow->addWidget(separator_);
    formatRow->addSpacing(fontMetrics().averageCharWidth() * 3);
    formatRow->addWidget(header_);
    formatRow->addStretch(1);
    format_ = new QLabel;
    formatRow->addWidget(format_);

    refuseUntranscribed_ = new QCheckBox(QStringLiteral("Отклонять строки, транскрипцию которых нельзя записать"));
    refuseStressed_ = new QCheckBox(QStringLiteral("Отклонять строки со знаками ударения, которых нет в кодировке"));
    // One under the other: side by side they made the window wider than a
    // screen with a large font.
    auto* optionRow = new QVBoxLayout;
    optionRow->addWidget(refuseUntranscribed_);
    optionRow->addWidget(refuseStressed_);

    previewModel_ = new QStandardItemModel(this);
    preview_ = new QTableView;
    preview_->setModel(previewModel_);
    preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    preview_->setSelectionMode(QAbstractItemView::NoSelection);
    preview_->horizontalHeader()->setStretchLastSection(true);
    preview_->verticalHeader()->setDefaultSectionSize(fontMetrics().lineSpacing() + 4);
    preview_->setMinimumHeight((fontMetrics().lineSpacing() + 4) * 8);

    wordColumn_ = new QComboBox;
    translationColumn_ = new QComboBox;
    transcriptionColumn_ = new QComboBox;
    for (QComboBox* box : {wordColumn_, translationColumn_, transcriptionColumn_})
        box->setMinimumContentsLength(16);
    foreignLanguage_ = new QComboBox;
    nativeLanguage_ = new QComboBox;
    fillLanguages(foreignLanguage_, settings_.foreignLanguage);
    fillLanguages(nativeLanguage_, settings_.nativeLanguage);
    importName_ = new QLineEdit;
    importName_->setPlaceholderText(QStringLiteral("имя нового словаря"));
    connect(importName_, &QLineEdit::textChanged, this, &DcWindow::updateButtons);

    auto* columns = new QGroupBox(QStringLiteral("Столбцы"));
    auto* columnForm = new QFormLayout(columns);
    columnForm->addRow(QStringLiteral("Слово:"), wordColumn_);
    columnForm->addRow(QStringLiteral("Перевод:"), translationColumn_);
    columnForm->addRow(QStringLiteral("Транскрипция (МФА):"), transcriptionColumn_);

    auto* languages = new QGroupBox(QStringLiteral("Языки"));
    auto* languageForm = new QFormLayout(languages);
    languageForm->addRow(QStringLiteral("Изучаемый язык:"), foreignLanguage_);
    languageForm->addRow(QStringLiteral("Язык перевода:"), nativeLanguage_);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(importName_, 1);
    nameRow->addWidget(new QLabel(QStringLiteral(".dct")));
    languageForm->addRow(QStringLiteral("Имя словаря:"), nameRow);

    auto* choices = new QHBoxLayout;
    choices->addWidget(columns, 1);
    choices->addWidget(languages, 1);

    importButton_ = new QPushButton(QStringLiteral("Создать словарь из файла"));
    connect(importButton_, &QPushButton::clicked, this, &DcWindow::runImport);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(fileRow);
    layout->addLayout(formatRow);
    layout->addWidget(new QLabel(QStringLiteral("Первые строки файла:")));
    layout->addWidget(preview_, 1);
    layout->addLayout(choices);
    layout->addLayout(optionRow);
    layout->addLayout(buttonRow(importButton_));
    fillColumnChoosers(0);
    return page;
}

QWidget* DcWindow::buildEmptyPage()
{
    emptyName_ = new QLineEdit;
    emptyName_->setPlaceholderText(QStringLiteral("имя нового словаря"));
    connect(emptyName_, &QLineEdit::textChanged, this, &DcWindow::updateButtons);
    emptyButton_ = new QPushButton(QStringLiteral("Создать пустой словарь"));
    connect(emptyButton_, &QPushButton::clicked, this, &DcWindow::runEmpty);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("Имя словаря:")));
    nameRow->addWidget(emptyName_, 1);
    nameRow->addWidget(new QLabel(QStringLiteral(".dct")));

    return fieldsPage(nameRow,
                      QStringLiteral("Словарь появится в папке словарей программы; слова в него "
                                     "добавляются окном «Добавление лексики»."),
                      emptyButton_);
}

QWidget* DcWindow::buildExportPage()
{
    exportDictionary_ = new QComboBox;
    fillDictionaryList();
    exportFile_ = new QLineEdit;
    exportFile_->setPlaceholderText(QStringLiteral("файл, в который выгрузить слова"));
    connect(exportFile_, &QLineEdit::textChanged, this, &DcWindow::updateButtons);
    auto* browse = new QPushButton(QStringLiteral("Обзор…"));
    browse->setAutoDefault(false);   // Enter in a field never opens the file chooser
    connect(browse, &QPushButton::clicked, this, &DcWindow::chooseExportFile);
    exportButton_ = new QPushButton(QStringLiteral("Выгрузить"));
    connect(exportButton_, &QPushButton::clicked, this, &DcWindow::runExport);
    exportForeign_ = new QComboBox;
    exportNative_ = new QComboBox;
    fillLanguages(exportForeign_, settings_.foreignLanguage);
    fillLanguages(exportNative_, settings_.nativeLanguage);
    exportFormat_ = new QComboBox;
    exportFormat_->addItems({QStringLiteral("текст с табуляциями (.txt, .tsv)"),
                             QStringLiteral("файл заметок для программ карточек (с заголовком #separator, #columns)")});
    connect(exportDictionary_, &QComboBox::currentIndexChanged, this, &DcWindow::exportDictionaryChanged);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(exportFile_, 1);
    fileRow->addWidget(browse);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Словарь:"), exportDictionary_);
    form->addRow(QStringLiteral("Изучаемый язык:"), exportForeign_);
    form->addRow(QStringLiteral("Язык перевода:"), exportNative_);
    form->addRow(QStringLiteral("Формат:"), exportFormat_);
    form->addRow(QStringLiteral("Файл:"), fileRow);
    exportDictionaryChanged();

    return fieldsPage(form,
                      QStringLiteral("Слова, переводы и транскрипция (в знаках МФА) записываются в текст UTF-8, "
                                     "по строке на слово. Тексты читаются в кодировках языков словаря: они "
                                     "записаны рядом с ним, когда словарь сделан этим окном; иначе выберите их."),
                      exportButton_);
}

} // namespace mox::dc
