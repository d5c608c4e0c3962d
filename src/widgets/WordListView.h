#pragma once
#include <QFont>
#include <QListView>
#include <QString>

namespace mox {

class WordRowDelegate;

// The word list of the add-words dialog: drawn like WordListBox, but over a
// model, so a dictionary of 100,000 words is not 100,000 items. Rows have a
// fixed height; the mouse selects a row by clicking only (moving over the
// list selects nothing), as in the add-words dialog.
class WordListView : public QListView {
    Q_OBJECT
public:
    explicit WordListView(QWidget* parent = nullptr);

    // As WordListBox::setItemFont.
    void setItemFont(int pointSizeTenths, int weight, int charSet, const QString& face);
    QFont itemFont(bool selected) const;
    void setRowHeight(int pixels);
    int rowHeight() const;

    // Makes `row` the current and only selected row and scrolls it into
    // view; -1 leaves no row selected.
    void selectRow(int row);
    // The selected row, or -1.
    int selectedRow() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    WordRowDelegate* rows_ = nullptr;
};

} // namespace mox
