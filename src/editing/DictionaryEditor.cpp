#include "editing/DictionaryEditor.h"

#include <algorithm>

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>

#include "editing/DictionaryTableModel.h"
#include "help/Help.h"
#include "language/Font.h"
#include "language/RecordTextValidator.h"
#include "platform/MessagePort.h"
#include "settings/Settings.h"
#include "store/Store.h"
#include "widgets/DialogUnits.h"
#include "widgets/GridView.h"

namespace mox {

namespace {

constexpr const char* kEmptyWord = "Ключевое слово не может быть пустой строкой";
constexpr const char* kNothingSelected = "Не выделены строки.\n";
constexpr const char* kNothingSelectedTitle = "Сообщение";
constexpr const char* kConfirmDelete = "Отменить изменения после удаления будет невозможно. Продолжить?\n";
constexpr const char* kConfirmDeleteTitle = "Предупреждение";

// Heights of the header and cell fonts, in the font builder's convention.
constexpr std::int32_t kWordFontHeight = -11;
constexpr std::int32_t kTranscriptionFontHeight = -12;
// Column 2 is a little wider than its header text.
constexpr int kTranscriptionExtraWidth = 5;

} // namespace

const QString& DictionaryEditor::title()
{
    static const QString text = QStringLiteral("Mox! <> Редактирование");
    return text;
}

const QString& DictionaryEditor::helpTopic()
{
    static const QString topic = QStringLiteral("::/html_files/optdict.html>main");
    return topic;
}

DictionaryEditor::DictionaryEditor(Settings& settings, LayoutPort& layouts, MessagePort& messages,
                                   DictionarySession& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), settings_(settings),
      messages_(messages), layouts_(layouts, settings, {settings.uiForeignLayout(), settings.uiNativeLayout(), settings.uiTransLayout()}),
      session_(session)
{
    setModal(true);
    setWindowTitle(title());

    // The header in a face with Cyrillic letters; each column in its language's
    // font and character set.
    headerFont_ = toQFont(fontDescription(kWordFontHeight, kFontWeightNormal, charset::Russian, {}));
    cellFonts_ = {
        toQFont(fontDescription(kWordFontHeight, kFontWeightNormal, settings.iForeignCharSet(),
                                settings.sForeignFontFace())),
        toQFont(fontDescription(kWordFontHeight, kFontWeightNormal, settings.iNativeCharSet(),
                                settings.sNativeFontFace())),
        toQFont(fontDescription(kTranscriptionFontHeight, kFontWeightNormal, settings.iTransCharSet(),
                                settings.sTransFontFace())),
    };
    const std::array<std::uint8_t, 3> charSets{settings.iForeignCharSet(), settings.iNativeCharSet(),
                                               settings.iTransCharSet()};
    model_ = new DictionaryTableModel(charSets, cellFonts_, this);

    grid_ = new GridView(this);
    QPalette cells = grid_->palette();
    cells.setColor(QPalette::Base, Qt::white);
    grid_->setPalette(cells);
    grid_->horizontalHeader()->setFont(headerFont_);
    grid_->setSourceModel(model_);

    // The status line tells why a typed or pasted text was refused.
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (int column = 0; column < 3; ++column) {
        auto* validator = new RecordTextValidator(charSets[static_cast<std::size_t>(column)],
                                                  columnCapacity(column), this);
        validators_[static_cast<std::size_t>(column)] = validator;
        grid_->setColumnValidator(column, validator);
        connect(validator, &RecordTextValidator::refused, status_, &QLabel::setText);
    }

    // No default button: Enter presses a button only while it has the focus
    // (see eventFilter), and never from the table.
    closeButton_ = new QPushButton(QStringLiteral("Закрыть"), this);
    deleteButton_ = new QPushButton(QStringLiteral("Удалить\nвыделенные\nстроки"), this);
    for (QPushButton* button : {closeButton_, deleteButton_}) {
        // Flat, with a thin frame so they still look like buttons.
        button->setFlat(true);
        button->setStyleSheet(QStringLiteral(
            "QPushButton { border: 1px solid palette(dark); border-radius: 2px; padding: 2px; }"
            "QPushButton:focus { border: 2px solid palette(highlight); }"
            "QPushButton:pressed { background: palette(mid); }"));
        button->setAutoDefault(false);
        button->setDefault(false);
        button->setFocusPolicy(Qt::StrongFocus);
        button->installEventFilter(this);
    }
    connect(closeButton_, &QPushButton::clicked, this, [this] { done(kClosed); });
    connect(deleteButton_, &QPushButton::clicked, this, &DictionaryEditor::deleteSelectedRows);
    connect(grid_, &GridView::beginEdit, this, &DictionaryEditor::onBeginEdit);
    connect(grid_, &GridView::endEdit, this, &DictionaryEditor::onEndEdit);
    installHelpKey(this, helpTopic());

    layoutControls();
    if (session_.dictionaryExists())
        fillTable();
}

DictionaryEditor::~DictionaryEditor()
{
    releaseLayouts();
}

void DictionaryEditor::layoutControls()
{
    const DialogUnits du(font());
    setFixedSize(du.rect(0, 0, 330, 198).size());
    grid_->setGeometry(du.rect(3, 3, 265, 192));
    closeButton_->setGeometry(du.rect(273, 170, 50, 21));
    deleteButton_->setGeometry(du.rect(273, 7, 50, 29));
    status_->setGeometry(du.rect(271, 40, 57, 126));
    setTabOrder(deleteButton_, closeButton_);

    // Every row as high as the header, and never lower than a cell's font.
    int rowHeight = grid_->headerHeight();
    for (const QFont& font : cellFonts_)
        rowHeight = std::max(rowHeight, QFontMetrics(font).height() + 2);
    grid_->setUniformRowHeight(rowHeight);
    sizeColumns();
}

void DictionaryEditor::sizeColumns()
{
    // Word and transcription as wide as their headers (the transcription a
    // little wider), the translation the rest beside the scroll bar.
    grid_->sizeColumnToHeader(kWordColumn);
    grid_->sizeColumnToHeader(kTranscriptionColumn);
    grid_->setColumnWidth(kTranscriptionColumn, grid_->columnWidth(kTranscriptionColumn) + kTranscriptionExtraWidth);
    const int rest = grid_->width() - 2 * grid_->frameWidth() - grid_->verticalScrollBar()->sizeHint().width()
                     - grid_->columnWidth(kWordColumn) - grid_->columnWidth(kTranscriptionColumn);
    grid_->setColumnWidth(kTranslationColumn, std::max(rest, grid_->columnWidth(kWordColumn)));
}

void DictionaryEditor::fillTable()
{
    const int scrolled = grid_->verticalScrollBar()->value();
    grid_->clearSelection();
    model_->fill(session_.dictionary());
    // Near the rows the user was at, after a deletion.
    grid_->verticalScrollBar()->setValue(scrolled);
}

void DictionaryEditor::onBeginEdit(int row, int column)
{
    if (column < 0 || column >= 3)
        return;
    const std::size_t c = static_cast<std::size_t>(column);
    layouts_.enter(c);
    oldText_ = model_->text(row, column);
    status_->clear();
}

void DictionaryEditor::onEndEdit(int row, int column)
{
    const std::string newText = model_->text(row, column);
    if (column == kWordColumn && newText.empty()) {
        messages_.show(kEmptyWord, MessageIcon::None);
        model_->setText(row, column, oldText_);
        return;
    }
    const std::string key = column == kWordColumn ? oldText_ : model_->text(row, kWordColumn);
    switch (session_.editText(key, column, oldText_, newText)) {
    case DictionarySession::EditResult::written: cellsChanged_ = true; break;
    case DictionarySession::EditResult::failed:
        // The table shows what the file holds, so later changes of the row
        // still find its record.
        model_->setText(row, column, oldText_);
        break;
    case DictionarySession::EditResult::unchanged:
    case DictionarySession::EditResult::notFound: break;
    }
}

void DictionaryEditor::deleteSelectedRows()
{
    if (!grid_->hasSelectedCells()) {
        messages_.show(kNothingSelected, MessageIcon::Warning, MessageButtons::Ok, kNothingSelectedTitle);
        return;
    }
    if (messages_.show(kConfirmDelete, MessageIcon::Warning, MessageButtons::YesNo, kConfirmDeleteTitle)
        != MessageAnswer::Yes)
        return;
    std::vector<std::string> words;
    for (int row : grid_->selectedSourceRows())
        words.push_back(model_->text(row, kWordColumn));
    const std::optional<std::size_t> deleted = session_.deleteWords(words);
    if (!deleted)
        return;
    if (*deleted > 0)
        rowsDeleted_ = true;
    fillTable();
}

// Harmless twice: the slots are emptied as their layouts are unloaded.
void DictionaryEditor::releaseLayouts()
{
    layouts_.release();
}

void DictionaryEditor::done(int result)
{
    releaseLayouts();
    QDialog::done(result);
}

void DictionaryEditor::reject()
{
    done(kEscaped);
}

bool DictionaryEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == closeButton_ || watched == deleteButton_)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            static_cast<QPushButton*>(watched)->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void DictionaryEditor::showEvent(QShowEvent* event)
{
    // At the top-left corner of the owner's client area.
    if (!event->spontaneous() && parentWidget() != nullptr)
        move(parentWidget()->mapToGlobal(QPoint(0, 0)));
    QDialog::showEvent(event);
}

} // namespace mox
