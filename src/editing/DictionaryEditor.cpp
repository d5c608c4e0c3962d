#include "editing/DictionaryEditor.h"

#include <algorithm>

#include <QBoxLayout>
#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QShowEvent>
#include <QStyle>

#include "editing/DictionaryTableModel.h"
#include "help/Help.h"
#include "language/Font.h"
#include "language/RecordTextValidator.h"
#include "platform/MessagePort.h"
#include "settings/Settings.h"
#include "store/Store.h"
#include "widgets/DialogUnits.h"
#include "widgets/GridView.h"
#include "widgets/GridViewRows.h"

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
// The longest texts of a column (by bytes) measured for its width: in a
// single-byte code page the widest text is among them.
constexpr std::size_t kMeasuredTexts = 48;

// Byte b of a code page and the byte of its lower-case letter (itself where
// it has none), so that a search does not care about case.
std::array<unsigned char, 256> lowerCaseBytes(const CharsetCodec& codec)
{
    std::array<unsigned char, 256> fold{};
    for (int b = 0; b < 256; ++b) {
        fold[static_cast<std::size_t>(b)] = static_cast<unsigned char>(b);
        if (b == 0)
            continue;
        const QString letter = codec.decode(std::string(1, static_cast<char>(b)));
        if (letter.size() != 1)
            continue;
        const EncodeResult lower = codec.encode(letter.toLower());
        if (lower.ok && lower.bytes.size() == 1)
            fold[static_cast<std::size_t>(b)] = static_cast<unsigned char>(lower.bytes[0]);
    }
    return fold;
}

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
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMaximizeButtonHint),
      settings_(settings),
      messages_(messages), layouts_(layouts, settings, {settings.uiForeignLayout(), settings.uiNativeLayout(), settings.uiTransLayout()}),
      session_(session)
{
    setModal(true);
    setWindowTitle(title());
    // The tips of cut texts come on hovering whether or not the window
    // manager made the editor the active window.
    setAttribute(Qt::WA_AlwaysShowToolTips);

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
    grid_->setRowDeletionColumn(kWordColumn);
    grid_->setSearchColumn(kWordColumn, lowerCaseBytes(model_->codec(kWordColumn)));
    grid_->horizontalHeader()->setStretchLastSection(false);
    grid_->viewport()->installEventFilter(this);

    // The search: what is typed jumps to the first word beginning with it.
    search_ = new QLineEdit(this);
    search_->setPlaceholderText(QStringLiteral("начало слова"));
    search_->setClearButtonEnabled(true);
    search_->setMaxLength(static_cast<int>(columnCapacity(kWordColumn)));
    search_->installEventFilter(this);
    filter_ = new QCheckBox(QStringLiteral("&Только найденные"), this);
    found_ = new QLabel(this);
    connect(search_, &QLineEdit::textChanged, this, &DictionaryEditor::search);
    connect(filter_, &QCheckBox::toggled, this, &DictionaryEditor::search);
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        search_->setFocus(Qt::ShortcutFocusReason);
        search_->selectAll();
    });

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
    connect(grid_, &GridView::rowDeletionRequested, this, &DictionaryEditor::deleteSelectedRows);
    connect(grid_, &GridView::beginEdit, this, &DictionaryEditor::onBeginEdit);
    connect(grid_, &GridView::endEdit, this, &DictionaryEditor::onEndEdit);
    installHelpKey(this, helpTopic());

    layoutControls();
    if (session_.dictionaryExists())
        fillTable();
    setInitialSize();
}

void DictionaryEditor::setInitialSize()
{
    // The size the user left it at, within the screen. At first the old
    // window's size with the search row, widened (up to three quarters of
    // the screen) until the columns show their texts whole, and taller.
    const DialogUnits du(font());
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableGeometry().size() : QSize(1024, 768);
    QSize size = du.rect(0, 0, 330, 214).size();
    if (settings_.uiEditorWidth() > 0 && settings_.uiEditorHeight() > 0) {
        size = QSize(settings_.uiEditorWidth(), settings_.uiEditorHeight());
    } else {
        layout()->activate();
        const int columns = wanted_[0] + wanted_[1] + wanted_[2];
        const int beside = width() - grid_->viewport()->width() + grid_->verticalScrollBar()->sizeHint().width();
        size.setWidth(std::max(size.width(), std::min(columns + beside, room.width() * 3 / 4)));
        // And half the screen high, for the rows of a long dictionary.
        if (model_->rowCount() > 20)
            size.setHeight(std::max(size.height(), room.height() / 2));
    }
    resize(size.boundedTo(room).expandedTo(minimumSize()));
}

DictionaryEditor::~DictionaryEditor()
{
    releaseLayouts();
}

void DictionaryEditor::layoutControls()
{
    const DialogUnits du(font());
    auto* searchLabel = new QLabel(QStringLiteral("&Найти:"), this);
    searchLabel->setBuddy(search_);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(search_, 1);
    searchRow->addWidget(filter_);
    searchRow->addWidget(found_);
    found_->setMinimumWidth(du.x(48));

    closeButton_->setMinimumSize(du.rect(0, 0, 50, 21).size());
    deleteButton_->setMinimumSize(du.rect(0, 0, 50, 29).size());
    status_->setFixedWidth(du.x(57));
    auto* side = new QVBoxLayout;
    side->addWidget(deleteButton_);
    side->addWidget(status_, 1);
    side->addWidget(closeButton_);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(du.x(3), du.y(3), du.x(3), du.y(3));
    layout->addLayout(searchRow, 0, 0);
    layout->addWidget(grid_, 1, 0);
    layout->addLayout(side, 1, 1);
    layout->setRowStretch(1, 1);
    layout->setColumnStretch(0, 1);
    setSizeGripEnabled(true);
    setMinimumSize(du.rect(0, 0, 220, 120).size());


    // The table first, then the search, the deletion and closing.
    setTabOrder(grid_, search_);
    setTabOrder(search_, filter_);
    setTabOrder(filter_, deleteButton_);
    setTabOrder(deleteButton_, closeButton_);
    grid_->setFocus();

    // Every row as high as the header, and never lower than a cell's font.
    int rowHeight = grid_->headerHeight();
    for (const QFont& font : cellFonts_)
        rowHeight = std::max(rowHeight, QFontMetrics(font).height() + 2);
    grid_->setUniformRowHeight(rowHeight);
    measureColumns();
}

int DictionaryEditor::textWidth(int column, int row) const
{
    const QString text = model_->codec(column).decode(model_->text(row, column));
    const int margin = 2 * (grid_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid_) + 1) + 2;
    return QFontMetrics(cellFonts_[static_cast<std::size_t>(column)]).horizontalAdvance(text) + margin;
}

void DictionaryEditor::measureColumns()
{
    const int rows = model_->rowCount();
    for (int column = 0; column < 3; ++column) {
        int content = 0;
        // The longest texts by bytes, found by counting the lengths (a
        // field holds fewer than 256 bytes) rather than sorting them.
        std::array<std::size_t, 256> count{};
        for (int row = 0; row < rows; ++row)
            ++count[std::min<std::size_t>(model_->text(row, column).size(), 255)];
        std::size_t shortest = 255, taken = count[255];
        while (shortest > 1 && taken + count[shortest - 1] <= kMeasuredTexts)
            taken += count[--shortest];
        if (taken == 0 && shortest > 1) // the longest length alone is held by more than enough rows
            while (shortest > 1 && count[shortest] == 0)
                --shortest;
        std::size_t measured = 0;
        for (int row = 0; row < rows && measured < kMeasuredTexts; ++row)
            if (model_->text(row, column).size() >= shortest) {
                content = std::max(content, textWidth(column, row));
                ++measured;
            }
        content_[static_cast<std::size_t>(column)] = content;
        wanted_[static_cast<std::size_t>(column)] =
            std::max(content, grid_->horizontalHeader()->sectionSizeHint(column));
    }
    fitColumns();
}

void DictionaryEditor::fitColumns()
{
    // Each column as wide as its texts and header; the translation takes
    // what is left. Short of room, a column whose texts are narrower than
    // its header (an empty transcription column) gives up first, down to
    // half its header; then the others, in proportion to what their texts
    // need beyond their headers. A cut text shows whole in its tip.
    const int room = grid_->viewport()->width();
    std::array<int, 3> header{}, width = wanted_;
    int excess = -room;
    for (std::size_t c = 0; c < 3; ++c) {
        header[c] = grid_->horizontalHeader()->sectionSizeHint(static_cast<int>(c));
        excess += wanted_[c];
    }
    if (excess <= 0)
        width[kTranslationColumn] -= excess;
    for (std::size_t c = 0; c < 3 && excess > 0; ++c) {
        if (content_[c] >= header[c])
            continue;
        const int floor = std::max(content_[c], header[c] / 2);
        const int give = std::clamp(width[c] - floor, 0, excess);
        width[c] -= give;
        excess -= give;
    }
    int spare = 0;
    for (std::size_t c = 0; c < 3; ++c)
        spare += std::max(0, width[c] - header[c]);
    if (excess > 0 && spare > 0) {
        const int cut = std::min(excess, spare);
        int given = 0;
        for (std::size_t c = 0; c < 3; ++c) {
            const int share = static_cast<int>(static_cast<long long>(cut) * std::max(0, width[c] - header[c]) / spare);
            width[c] -= share;
            given += share;
        }
        width[kTranslationColumn] -= cut - given; // what the rounding left
    }
    for (int c = 0; c < 3; ++c)
        grid_->setColumnWidth(c, std::max(width[static_cast<std::size_t>(c)], 1));
}

void DictionaryEditor::fillTable()
{
    const int scrolled = grid_->verticalScrollBar()->value();
    grid_->clearSelection();
    model_->fill(session_.dictionary());
    if (wanted_[kWordColumn] > 0)
        measureColumns();
    // Near the rows the user was at, after a deletion, with the search's
    // rows only while it shows only them.
    if (filter_->isChecked() && !search_->text().isEmpty())
        search();
    grid_->verticalScrollBar()->setValue(scrolled);
    if (!grid_->currentIndex().isValid() && grid_->model()->rowCount() > 0) {
        const QModelIndex top = grid_->indexAt(QPoint(0, 0));
        grid_->selectionModel()->setCurrentIndex(top.isValid() ? top : grid_->model()->index(0, 0),
                                                 QItemSelectionModel::NoUpdate);
    }
}

void DictionaryEditor::search()
{
    const QString text = search_->text();
    const EncodeResult bytes = model_->codec(kWordColumn).encode(text);
    // A letter the word column's code page lacks begins no word.
    const std::string prefix = bytes.ok ? bytes.bytes : std::string();
    const std::size_t count = text.isEmpty() ? 0 : bytes.ok ? grid_->countBeginningWith(prefix) : 0;
    if (filter_->isChecked() && !text.isEmpty()) {
        if (bytes.ok)
            grid_->showOnlyBeginningWith(prefix);
        else
            grid_->showOnlyBeginningWith(std::string(1, '\0')); // no word begins with a zero byte
    } else if (!grid_->showsAllRows()) {
        grid_->showAllRows();
    }
    if (text.isEmpty()) {
        found_->clear();
        return;
    }
    found_->setText(count > 0 ? QStringLiteral("Найдено: %1").arg(count) : QStringLiteral("Не найдено"));
    if (count > 0)
        grid_->jumpTo(prefix);
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
    status_->clear();
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
    // The size to open at next time (saved with the other settings).
    if (!isMaximized() && !isFullScreen()) {
        settings_.setUiEditorWidth(static_cast<std::uint16_t>(std::clamp(width(), 1, 0xFFFF)));
        settings_.setUiEditorHeight(static_cast<std::uint16_t>(std::clamp(height(), 1, 0xFFFF)));
    }
    releaseLayouts();
    QDialog::done(result);
}

void DictionaryEditor::reject()
{
    done(kEscaped);
}

bool DictionaryEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == grid_->viewport() && event->type() == QEvent::Resize) {
        fitColumns();
        return false;
    }
    if (watched == search_ && event->type() == QEvent::FocusIn)
        grid_->prepareSearch(); // the search order is ready before the first key
    if (watched == search_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Enter and Down go to the word found, to edit it; Esc first empties
        // the field, then closes the window.
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
            grid_->setFocus(Qt::TabFocusReason);
            return true;
        }
        if (key == Qt::Key_Escape && !search_->text().isEmpty()) {
            search_->clear();
            return true;
        }
    }
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
    // At the top-left corner of the owner's client area, moved left and up
    // as far as it takes to keep the whole window on the screen.
    if (!event->spontaneous() && parentWidget() != nullptr) {
        QPoint at = parentWidget()->mapToGlobal(QPoint(0, 0));
        if (const QScreen* screen = parentWidget()->screen()) {
            const QRect room = screen->availableGeometry();
            // The frame the window manager adds, guessed where not yet known.
            const QSize frame = frameGeometry().size() - size() == QSize(0, 0)
                                    ? QSize(16, 40)
                                    : frameGeometry().size() - size();
            at.setX(std::max(room.left(), std::min(at.x(), room.right() + 1 - width() - frame.width())));
            at.setY(std::max(room.top(), std::min(at.y(), room.bottom() + 1 - height() - frame.height())));
        }
        move(at);
    }
    QDialog::showEvent(event);
}

} // namespace mox
