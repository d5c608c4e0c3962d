#pragma once
#include <QString>
#include <QWidget>

namespace mox {

// One page of the options sheet. The page keeps its own copy of the values it
// edits, taken from Settings when it is built, shows them when it is first
// displayed and writes them back only when it is confirmed (the sheet's OK or
// Apply). The sheet confirms only pages that have been on view.
class OptionsPage : public QWidget {
    Q_OBJECT
public:
    explicit OptionsPage(QWidget* parent = nullptr) : QWidget(parent) {}

    // The tab caption ("Общие") and the help topic of F1 (empty: no help).
    virtual QString tabCaption() const = 0;
    virtual QString helpTopic() const { return {}; }

    // Writes the page's copy back to Settings. False when a value is refused
    // (the page has told the user why): the sheet keeps this page on view.
    virtual bool confirm() = 0;

    // Whether the page has been on view since the sheet was built.
    bool displayed() const { return displayed_; }
    // Whether the user changed something since the last confirmation.
    bool isModified() const { return modified_; }

signals:
    // The page became modified or unmodified; the sheet's Apply follows.
    void modifiedChanged(bool modified);

protected:
    void setModified(bool modified)
    {
        if (modified_ == modified)
            return;
        modified_ = modified;
        emit modifiedChanged(modified);
    }
    // Called once, before the page is first shown: fill the controls.
    virtual void firstShown() {}

    void showEvent(QShowEvent* event) override
    {
        if (!displayed_) {
            displayed_ = true;
            firstShown();
        }
        QWidget::showEvent(event);
    }

private:
    bool displayed_ = false;
    bool modified_ = false;
};

} // namespace mox
