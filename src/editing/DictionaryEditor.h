#pragma once
#include <array>
#include <string>
#include <vector>

#include <QDialog>
#include <QFont>

#include "store/DictionarySession.h"
#include "language/FieldLayouts.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mox {

class DictionaryTableModel;
class GridView;
class LayoutPort;
class MessagePort;
class RecordTextValidator;
class Settings;

// The dictionary editor "Mox! <> Редактирование": every live word of the
// session's dictionary in a table of word, translation and transcription, in
// file order. Each committed change of a cell and each deletion of rows goes
// straight into the dictionary file, in place, through the session; there is
// no save step and no undo. A changed or deleted word of the working list is
// changed or removed there too, and the list is saved.
//
// The table is the first tab stop (arrows move, Enter or F2 edits, Delete in
// the word column asks to delete the selected rows). A search field above it
// jumps to the first word that begins with what is typed, whatever its case,
// or, with "Только найденные" checked, shows only those words. The window can
// be resized; its size is kept in the settings. The columns fit their texts
// where there is room and share what there is where there is not.
//
// Run modally; the result is 1 for "Закрыть" and 2 for Esc. The opener then
// reads rowsDeleted and cellsChanged.
class DictionaryEditor : public QDialog {
    Q_OBJECT
public:
    static const QString& title();     // "Mox! <> Редактирование"
    static const QString& helpTopic(); // "::/html_files/optdict.html>main"
    static constexpr int kClosed = 1;
    static constexpr int kEscaped = 2;

    // `session` holds the dictionary to edit with its working list.
    DictionaryEditor(Settings& settings, LayoutPort& layouts, MessagePort& messages, DictionarySession& session,
                     QWidget* parent = nullptr);
    ~DictionaryEditor() override;

    // At least one row was deleted / one cell change written to the file.
    bool rowsDeleted() const { return rowsDeleted_; }
    bool cellsChanged() const { return cellsChanged_; }

    // Shows the live records of the dictionary file again.
    void fillTable();
    // The command of "Удалить выделенные строки".
    void deleteSelectedRows();

    void done(int result) override;
    void reject() override;

    GridView* grid() const { return grid_; }
    DictionaryTableModel* model() const { return model_; }
    QPushButton* closeButton() const { return closeButton_; }
    QPushButton* deleteButton() const { return deleteButton_; }
    // Why the last typed or pasted text was refused.
    QLabel* statusLine() const { return status_; }
    QLineEdit* searchField() const { return search_; }
    QCheckBox* filterBox() const { return filter_; }
    // How many words the search finds ("Найдено: 3", "Не найдено").
    QLabel* searchResult() const { return found_; }
    // Searches for the search field's text as typing does.
    void search();
    const std::vector<std::string>& preloadedLayouts() const { return layouts_.preloaded(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void layoutControls();
    void setInitialSize();
    // The width each column's texts and header need (after a fill), and the
    // widths given them in the table's present width.
    void measureColumns();
    void fitColumns();
    int textWidth(int column, int row) const;
    void onBeginEdit(int row, int column);
    void onEndEdit(int row, int column);
    void releaseLayouts();

    Settings& settings_;
    MessagePort& messages_;
    FieldLayouts layouts_;
    DictionarySession& session_;


    std::string oldText_;
    bool rowsDeleted_ = false;
    bool cellsChanged_ = false;

    QFont headerFont_;
    std::array<QFont, 3> cellFonts_;
    DictionaryTableModel* model_ = nullptr;
    GridView* grid_ = nullptr;
    std::array<RecordTextValidator*, 3> validators_{};
    QPushButton* closeButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QLabel* status_ = nullptr;
    QLineEdit* search_ = nullptr;
    QCheckBox* filter_ = nullptr;
    QLabel* found_ = nullptr;
    std::array<int, 3> wanted_{};  // texts and header
    std::array<int, 3> content_{}; // texts alone
};

} // namespace mox
