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
#include <QScreen>
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

// The progress bar comes up only when a job takes longer than a moment.
constexpr qint64 kProgressDelayMs = 300;

QString text(const std::string& s) { return QString::fromStdString(s); }
std::string bytes(const QString& s) { return s.trimmed().toStdString(); }

std::uint32_t languageOf(const QComboBox* box) { return box->currentData().toUInt(); }

} // namespace

DcWindow::DcWindow(const ModuleSettings& settings, MessagePort& messages, QWidget* parent)
    : QDialog(parent), settings_(settings), messages_(messages)
{
    setWindowTitle(QStringLiteral("Mox! <> Создание словаря"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setAcceptDrops(true);

    tabs_ = new QTabWidget;
    tabs_->addTab(buildImportPage(), QStringLiteral("Из файла"));
    tabs_->addTab(buildEmptyPage(), QStringLiteral("Пустой словарь"));
    tabs_->addTab(buildExportPage(), QStringLiteral("Выгрузка в файл"));
    // A page chosen is ready for typing in its first field.
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == 1)
            emptyName_->setFocus();
        else if (page == 2)
            exportFile_->setFocus();
    });

    progress_ = new QProgressBar;
    progress_->setRange(0, 1000);
    progress_->setTextVisible(false);
    progress_->hide();

    report_ = new QPlainTextEdit;
    report_->setReadOnly(true);
    report_->setPlaceholderText(QStringLiteral("Здесь будет отчёт о сделанном."));
    report_->setMinimumHeight(fontMetrics().lineSpacing() * 4);

    fixes_ = new QWidget;
    auto* fixRow = new QHBoxLayout(fixes_);
    fixRow->setContentsMargins(0, 0, 0, 0);
    fixRow->addStretch(1);
    fixes_->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 4);
    layout->addWidget(progress_);
    layout->addWidget(new QLabel(QStringLiteral("Отчёт:")));
    layout->addWidget(report_, 1);
    layout->addWidget(fixes_);
    layout->addWidget(buttons);

    const int unit = fontMetrics().averageCharWidth();
    // As large as the texts ask, within the screen (a large font, a scaled
    // desktop), the frame's allowance kept free.
    QSize wanted(unit * 110, fontMetrics().lineSpacing() * 46);
    if (const QScreen* where = screen())
        wanted = wanted.boundedTo(where->availableGeometry().size() - QSize(unit * 2, fontMetrics().lineSpacing() * 3));
    resize(wanted.expandedTo(minimumSizeHint()));
    updateButtons();
}

void DcWindow::fillDictionaryList()
{
    const QString current = exportDictionary_->currentText();
    exportDictionary_->clear();
    const QDir folder(text(settings_.dictFolder));
    exportDictionary_->addItems(folder.entryList({QStringLiteral("*.dct")}, QDir::Files, QDir::Name));
    if (const int at = exportDictionary_->findText(current); at >= 0)
        exportDictionary_->setCurrentIndex(at);
}

void DcWindow::chooseFile()
{
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Mox! <> Файл со словами"), file_.isEmpty() ? QDir::homePath() : QFileInfo(file_).path(),
        QStringLiteral("Слова (*.txt *.tsv *.csv *.apkg *.colpkg *.kvtml);;Тексты со столбцами (*.txt *.tsv *.csv);;"
                       "Пакеты колод (*.apkg *.colpkg);;Словари KVTML (*.kvtml);;Все файлы (*)"),
        nullptr, QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty())
        openFile(path);
}

void DcWindow::chooseExportFile()
{
    const QString suggested = QDir::homePath() + QLatin1Char('/') +
                              QFileInfo(exportDictionary_->currentText()).completeBaseName() + QStringLiteral(".txt");
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Mox! <> Выгрузить в файл"), suggested,
                                                      QStringLiteral("Тексты (*.txt *.tsv);;Все файлы (*)"), nullptr,
                                                      QFileDialog::DontConfirmOverwrite | QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty())
        exportFile_->setText(path);
}

std::optional<Separator> DcWindow::chosenSeparator() const
{
    switch (separator_->currentIndex()) {
    case 1: return Separator::Tab;
    case 2: return Separator::Comma;
    case 3: return Separator::Semicolon;
    default: return std::nullopt;
    }
}

bool DcWindow::openFile(const QString& path)
{
    SourceFile source;
    std::string error;
    if (!openSource(path.toStdString(), source, error, kPreviewBytes)) {
        messages_.show(error, MessageIcon::Error);
        return false;
    }
    source_ = std::move(source);
    file_ = path;
    fileEdit_->setText(path);
    // A new file is read by its own separator unless the user picks one.
    {
        const QSignalBlocker quiet(separator_);
        separator_->setCurrentIndex(0);
    }
    if (importName_->text().trimmed().isEmpty())
        importName_->setText(QFileInfo(path).completeBaseName());
    // A notes export names its separator; the box follows it.
    if (source_.notes.separator) {
        const QSignalBlocker quiet(separator_);
        separator_->setCurrentIndex(*source_.notes.separator == Separator::Tab     ? 1
                                    : *source_.notes.separator == Separator::Comma ? 2
                                                                                   : 3);
    }
    refreshPreview();
    // The file's own columns: word, translation and, with a third, transcription.
    const Columns columns = defaultColumns(previewData_);
    wordColumn_->setCurrentIndex(wordColumn_->findData(columns.word));
    translationColumn_->setCurrentIndex(translationColumn_->findData(columns.translation));
    transcriptionColumn_->setCurrentIndex(transcriptionColumn_->findData(columns.transcription));
    // The languages the file suggests (its deck's name, its letters).
    const LanguageSuggestion suggested = suggestLanguages(previewData_, columns);
    if (suggested.foreign)
        foreignLanguage_->setCurrentIndex(languageIndexOf(*suggested.foreign).value_or(foreignLanguage_->currentIndex()));
    if (suggested.native)
        nativeLanguage_->setCurrentIndex(languageIndexOf(*suggested.native).value_or(nativeLanguage_->currentIndex()));
    updateButtons();
    return true;
}

void DcWindow::refreshPreview()
{
    previewModel_->clear();
    if (file_.isEmpty()) {
        fillColumnChoosers(0);
        return;
    }
    std::string error;
    Preview preview;
    if (!previewSource(source_, chosenSeparator(), false, kPreviewRows + 1, preview, error)) {
        source_ = SourceFile();
        file_.clear();
        previewData_ = Preview();
        fillColumnChoosers(0);
        messages_.show(error, MessageIcon::Error);
        return;
    }
    QString kind;
    switch (source_.kind) {
    case FileKind::Text:
        kind = QStringLiteral("текст %1").arg(text(source_.encoding));
        if (preview.html)
            kind += QStringLiteral(" (HTML)");
        break;
    case FileKind::Notes:
        kind = preview.html ? QStringLiteral("файл заметок (HTML)") : QStringLiteral("файл заметок");
        break;
    case FileKind::Deck: kind = QStringLiteral("пакет колоды"); break;
    case FileKind::Kvtml: kind = QStringLiteral("словарь KVTML"); break;
    }
    if (!preview.deckName.empty())
        kind += QStringLiteral(", колода «%1»").arg(text(preview.deckName));
    format_->setText(QStringLiteral("Формат: ") + kind);
    separator_->setEnabled(source_.kind == FileKind::Text || source_.kind == FileKind::Notes);

    QStringList headers;
    for (const std::string& title : preview.titles)
        headers << text(title);
    std::size_t first = 0;
    if (header_->isChecked() && !preview.rows.empty()) {
        headers.clear();
        for (const std::string& field : preview.rows[0])
            headers << text(field);
        first = 1;
    }
    int columns = static_cast<int>(headers.size());
    QStringList lines;
    for (std::size_t row = first; row < preview.rows.size() && static_cast<int>(row - first) < kPreviewRows; ++row) {
        QList<QStandardItem*> items;
        for (const std::string& field : preview.rows[row])
            items << new QStandardItem(text(field));
        columns = std::max(columns, static_cast<int>(items.size()));
        previewModel_->appendRow(items);
        lines << QString::number(preview.lines[row]);
    }
    previewModel_->setColumnCount(columns);
    for (int c = 0; c < columns; ++c) {
        const QString title = c < headers.size() && !headers[c].isEmpty()
                                  ? QStringLiteral("%1: %2").arg(c + 1).arg(headers[c])
                                  : QString::number(c + 1);
        previewModel_->setHorizontalHeaderItem(c, new QStandardItem(title));
    }
    previewModel_->setVerticalHeaderLabels(lines);
    preview_->resizeColumnsToContents();
    // A text that stays one column with the separator chosen: offer the one
    // that splits it.
    std::vector<Fix> fixes;
    if (preview.widest < 2)
        if (auto fix = separatorFix(source_, preview.separator))
            fixes.push_back(*fix);
    showFixes(fixes);
    previewData_ = std::move(preview);
    fillColumnChoosers(columns);
}

QString DcWindow::columnTitle(int column) const
{
    // The header's name, or else the first row's text as a reminder.
    const QString title = previewModel_->horizontalHeaderItem(column)->text();
    if (header_->isChecked() || previewModel_->rowCount() == 0 || title.contains(QLatin1Char(':')))
        return title;
    const QString sample = previewModel_->index(0, column).data().toString();
    return sample.isEmpty() ? title : QStringLiteral("%1 — %2").arg(title, sample.left(24));
}

void DcWindow::fillColumnChoosers(int columns)
{
    // The choices are kept while the file keeps its columns; a file read
    // into other columns (another separator) starts from the defaults.
    const bool keep = columns == shownColumns_;
    shownColumns_ = columns;
    const auto refill = [&](QComboBox* box, bool withNone, int fallback) {
        const QVariant kept = keep ? box->currentData() : QVariant();
        box->clear();
        if (withNone)
            box->addItem(QStringLiteral("нет"), Columns::kNone);
        for (int c = 0; c < columns; ++c)
            box->addItem(columnTitle(c), c);
        const int at = kept.isValid() ? box->findData(kept) : -1;
        box->setCurrentIndex(at >= 0 ? at : std::max(0, box->findData(fallback)));
    };
    refill(wordColumn_, false, 0);
    refill(translationColumn_, false, 1);
    refill(transcriptionColumn_, true, columns >= 3 ? 2 : Columns::kNone);
    updateButtons();
}

void DcWindow::updateButtons()
{
    if (importButton_)
        importButton_->setEnabled(!file_.isEmpty() && wordColumn_->count() >= 2 &&
                                  !importName_->text().trimmed().isEmpty());
    if (emptyButton_)
        emptyButton_->setEnabled(!emptyName_->text().trimmed().isEmpty());
    if (exportButton_)
        exportButton_->setEnabled(exportDictionary_->count() > 0 && !exportFile_->text().trimmed().isEmpty());
}

template <class Job>
Outcome DcWindow::runAsking(Job job)
{
    Outcome outcome = job(false);
    if (outcome.status != Outcome::Status::Exists)
        return outcome;
    const std::string question = "Файл «" + outcome.target + "» уже есть.\nЗаменить его?";
    if (messages_.show(question, MessageIcon::Question, MessageButtons::YesNo) != MessageAnswer::Yes)
        return outcome;
    return job(true);
}

void DcWindow::runImport()
{
    if (file_.isEmpty())
        return;
    const int word = wordColumn_->currentData().toInt();
    const int translation = translationColumn_->currentData().toInt();
    const int transcription = transcriptionColumn_->currentData().toInt();
    if (word == translation || (transcription != Columns::kNone && (transcription == word || transcription == translation))) {
        messages_.show("Один столбец выбран дважды: у слова, перевода и транскрипции должны быть разные столбцы.",
                       MessageIcon::Warning);
        return;
    }
    ImportJob job;
    job.file = file_.toStdString();
    job.name = bytes(importName_->text());
    job.separator = chosenSeparator();
    job.columns = Columns{word, translation, transcription};
    job.refuseUntranscribed = refuseUntranscribed_->isChecked();
    job.refuseStressed = refuseStressed_->isChecked();
    job.skipHeader = header_->isChecked();
    job.foreignLanguage = languageOf(foreignLanguage_);
    job.nativeLanguage = languageOf(nativeLanguage_);
    job.progress = [this](std::size_t done, std::size_t total) { progressed(done, total); };

    setEnabled(false);
    progressStarted_ = QDateTime::currentMSecsSinceEpoch();
    const Outcome outcome = runAsking([&](bool replace) {
        job.replace = replace;
        return importFile(settings_, job);
    });
    progress_->hide();
    setEnabled(true);
    showOutcome(outcome);
    fillDictionaryList();
    showFixes(outcome.fixes);
}

void DcWindow::showFixes(const std::vector<Fix>& fixes)
{
    // Each fix a button that imports again with it. (Deleted later: the
    // button clicked may be the one that brought us here.)
    for (QPushButton* old : fixButtons()) {
        old->hide();
        old->setParent(nullptr);
        old->deleteLater();
    }
    for (const Fix& fix : fixes) {
        auto* button = new QPushButton(text(fix.text), fixes_);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, fix] { applyFix(fix); });
        static_cast<QHBoxLayout*>(fixes_->layout())->insertWidget(fixes_->layout()->count() - 1, button);
    }
    fixes_->setVisible(!fixes.empty());
}

QList<QPushButton*> DcWindow::fixButtons() const
{
    return fixes_->findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly);
}

void DcWindow::applyFix(const Fix& fix)
{
    switch (fix.kind) {
    case Fix::Kind::KeepUntranscribed:
        refuseUntranscribed_->setChecked(false);
        break;
    case Fix::Kind::OtherSeparator:
        separator_->setCurrentIndex(fix.separator == Separator::Tab ? 1 : fix.separator == Separator::Comma ? 2 : 3);
        showFixes({});
        return;   // the preview shows the columns; the user goes on from there
    case Fix::Kind::OtherLanguages:
        foreignLanguage_->setCurrentIndex(languageIndexOf(fix.foreignLanguage).value_or(0));
        nativeLanguage_->setCurrentIndex(languageIndexOf(fix.nativeLanguage).value_or(0));
        break;
    }
    runImport();
}

void DcWindow::exportDictionaryChanged()
{
    if (!exportForeign_)
        return;
    // The dictionary's own languages, where they are recorded beside it.
    const DictionaryLanguages own = dictionaryLanguagesOf(settings_, exportDictionary_->currentText().toStdString());
    exportForeign_->setCurrentIndex(
        languageIndexOf(own.foreign.value_or(settings_.foreignLanguage)).value_or(exportForeign_->currentIndex()));
    exportNative_->setCurrentIndex(
        languageIndexOf(own.native.value_or(settings_.nativeLanguage)).value_or(exportNative_->currentIndex()));
}

bool DcWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in the file field opens the file typed there; it never makes a
    // dictionary of the file shown before.
    if (watched == fileEdit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const QString path = fileEdit_->text().trimmed();
            if (!path.isEmpty())
                openFile(path);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void DcWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() && !event->mimeData()->urls().isEmpty() &&
        event->mimeData()->urls().first().isLocalFile())
        event->acceptProposedAction();
}

void DcWindow::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    tabs_->setCurrentIndex(0);
    openFile(urls.first().toLocalFile());
}

void DcWindow::runEmpty()
{
    const std::string name = bytes(emptyName_->text());
    if (name.empty())
        return;
    showOutcome(runAsking([&](bool replace) {
        return createEmpty(settings_, name, replace, languageOf(foreignLanguage_), languageOf(nativeLanguage_));
    }));
    fillDictionaryList();
}

void DcWindow::runExport()
{
    if (exportDictionary_->count() == 0 || exportFile_->text().trimmed().isEmpty())
        return;
    ExportJob job;
    job.dictionary = exportDictionary_->currentText().toStdString();
    job.file = exportFile_->text().trimmed().toStdString();
    job.foreignLanguage = languageOf(exportForeign_);
    job.nativeLanguage = languageOf(exportNative_);
    job.format = exportFormat_->currentIndex() == 1 ? ExportFormat::Notes : ExportFormat::Tsv;
    showOutcome(runAsking([&](bool replace) {
        job.replace = replace;
        return exportDictionary(settings_, job);
    }));
}

void DcWindow::showOutcome(const Outcome& outcome)
{
    QStringList lines;
    lines << text(outcome.summary);
    for (const std::string& count : outcome.counts)
        lines << text(count);
    for (const std::string& warning : outcome.warnings)
        lines << QStringLiteral("Внимание: ") + text(warning);
    if (!outcome.details.empty()) {
        lines << QString();
        for (const std::string& detail : outcome.details)
            lines << text(detail);
    }
    report_->setPlainText(lines.join(QLatin1Char('\n')));
    if (outcome.status == Outcome::Status::Failed)
        messages_.show(outcome.summary, MessageIcon::Error);
}

void DcWindow::progressed(std::size_t done, std::size_t total)
{
    if (QDateTime::currentMSecsSinceEpoch() - progressStarted_ < kProgressDelayMs)
        return;
    progress_->show();
    progress_->setValue(total == 0 ? 1000 : static_cast<int>(done * 1000 / total));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace mox::dc
