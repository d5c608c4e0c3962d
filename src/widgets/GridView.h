#pragma once
#include <array>
#include <string_view>
#include <vector>

#include <QAbstractItemDelegate>
#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTableView>

class QValidator;

namespace mox {

class GridViewRows;

// A model that hands out a cell's bytes without copying them: the grid then
// sorts by them directly instead of through kSortRole.
class CellBytes {
public:
    virtual ~CellBytes() = default;
    virtual std::string_view cellBytes(int row, int column) const = 0;
};

// An editable table of text cells over a model, for tables of any length
// (nothing is kept per cell but the model's data). A click selects whole rows;
// a double click, F2 or a typed character opens an edit field over the cell
// (a typed character replaces the whole text), and so does Enter; Enter, Tab and moving the
// focus away keep the edited text, Esc puts the old one back; the arrow and
// page keys end an edit begun by typing (or any edit, with Ctrl). The table
// is a tab stop; Tab leaves it. Delete empties the focus cell (in the column
// set by setRowDeletionColumn it asks for the rows' deletion instead); Ctrl+C, Ctrl+X, Ctrl+V and Ctrl+A copy, cut, paste
// and select the cells. A click on a header sorts the rows by that column's
// bytes, ascending, and a second click reverses them; the sorting is in the
// display only (one sort). A search jumps to, or shows only, the rows whose
// text in one column begins with what is typed. A text that does not fit its
// cell shows whole in a tip (Qt shows tips only in the active window, unless
// the window has Qt::WA_AlwaysShowToolTips: a window that holds a GridView
// should set it).
//
// Every change the user makes to a cell, by whatever means, comes between
// beginEdit and endEdit, with the model's row and column. When endEdit is
// emitted the new text is already in the model; a handler may put another
// text into the model (to refuse the change) and the view shows that.
//
//   grid->setSourceModel(model);   // the model gives kSortRole bytes (or is CellBytes)
//   grid->setColumnValidator(0, validator);
//   connect(grid, &GridView::endEdit, this, &Editor::writeBack);
class GridView : public QTableView {
    Q_OBJECT
public:
    // The role through which the model gives a cell's text as a QByteArray,
    // compared byte for byte when the rows are sorted.
    static constexpr int kSortRole = Qt::UserRole + 1;

    explicit GridView(QWidget* parent = nullptr);
    ~GridView() override;

    // Shows `model` (through the sorting proxy of the view). The view does
    // not own it.
    void setSourceModel(QAbstractItemModel* model);
    QAbstractItemModel* sourceModel() const { return source_; }

    // Delete in this column emits rowDeletionRequested rather than emptying
    // the cell (-1: in none).
    void setRowDeletionColumn(int column) { deletionColumn_ = column; }

    // The column searched, and how its bytes fold (byte b matches fold[b]).
    void setSearchColumn(int column, const std::array<unsigned char, 256>& fold);
    // Makes the search order ahead of the first search.
    void prepareSearch();
    // Makes the first row (in the column's own order) whose text begins
    // with `prefix` the focus cell, selected and in view; false when no row
    // begins with it.
    bool jumpTo(std::string_view prefix);
    // Shows only the rows that begin with `prefix`, or every row again.
    void showOnlyBeginningWith(std::string_view prefix);
    void showAllRows();
    bool showsAllRows() const;
    // How many rows begin with `prefix`.
    std::size_t countBeginningWith(std::string_view prefix) const;
    GridViewRows* rows() const { return proxy_; }

    // The validator of a column's edit fields and pasted texts: a text it
    // finds Invalid is refused (the validator tells why). Not owned.
    void setColumnValidator(int column, QValidator* validator);
    QValidator* columnValidator(int column) const;

    // Model rows with at least one selected cell, ascending.
    std::vector<int> selectedSourceRows() const;
    bool hasSelectedCells() const;
    // The model index of a cell of the view, and the view's index of a cell
    // of the model.
    QModelIndex toSource(const QModelIndex& viewIndex) const;
    QModelIndex fromSource(int row, int column) const;

    // Width of a column from its header text alone (no data row is measured).
    void sizeColumnToHeader(int column);
    // Height of the header row as its font and texts need it.
    int headerHeight() const;
    // The one height of every data row.
    void setUniformRowHeight(int pixels);

    // Opens the edit field of a cell, as a double click does.
    using QTableView::edit;

    // The open edit field, or none.
    QLineEdit* cellEditor() const { return editor_; }
    bool isEditing() const { return editor_ != nullptr; }
    // Whether the open edit began with a typed character.
    bool editBegunByTyping() const { return begunByTyping_; }

    // The selected cells as text: one line per row, cells parted by tabs.
    QString selectedText() const;
    void copySelection();
    void cutSelection();
    // Pastes the clipboard's text (lines of tab-separated cells) from the
    // focus cell on.
    void paste();
    // Empties the focus cell (Delete).
    void clearFocusCell();

signals:
    void beginEdit(int row, int column);
    void endEdit(int row, int column);
    // Delete was pressed in the deletion column.
    void rowDeletionRequested();

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    friend class GridDelegate;
    // Called by the delegate as it creates the edit field for a cell.
    void editorOpening(const QModelIndex& viewIndex, QLineEdit* editor);
    // A change of one cell's text inside its beginEdit/endEdit pair; false
    // when the cell cannot be edited or the text is refused.
    bool changeCell(const QModelIndex& viewIndex, const QString& text);
    bool cellEditable(const QModelIndex& viewIndex) const;

    QAbstractItemModel* source_ = nullptr;
    GridViewRows* proxy_ = nullptr;
    int deletionColumn_ = -1;
    int searchColumn_ = -1;
    std::vector<QPointer<QValidator>> validators_;
    QPointer<QLineEdit> editor_;
    QPersistentModelIndex editedCell_; // in the model
    EditTrigger pendingTrigger_ = NoEditTriggers;
    bool begunByTyping_ = false;
};

} // namespace mox
