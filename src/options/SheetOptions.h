#pragma once
#include <functional>
#include <vector>

#include <QDialog>

class QDialogButtonBox;
class QPushButton;
class QTabWidget;

namespace mox {

class OptionsPage;
class RegistryPort;
class Settings;

// The options sheet "Mox! <> Настройки": the pages "Общие", "Методика",
// "Словари", "Языки/Шрифты" and "Результаты" in tabs, with OK, Cancel, Apply
// and help. Each page works on its copy of the settings, taken when the sheet
// is built; OK and Apply confirm the pages that have been on view, and a page
// that refuses a value is brought on view and the sheet stays open. However
// the sheet closes (OK, Cancel, its close box, Esc), the settings are written
// to the store when it goes away. The caller re-applies the mode in force.
class CSheetOptions final : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Mox! <> Настройки";

    // Builds the Dictionaries page (it belongs to the store's side).
    using PageFactory = std::function<OptionsPage*(QWidget* parent)>;
    // Opens a help topic of the help file, owned by the sheet.
    using HelpHook = std::function<void(QWidget* owner, const QString& topic)>;

    // Without a dictionaries factory the sheet has the other four pages.
    CSheetOptions(Settings& settings, RegistryPort& registry, PageFactory makeDictionariesPage = {},
                  HelpHook help = {});
    ~CSheetOptions() override;

    // The pages in tab order.
    const std::vector<OptionsPage*>& pages() const { return pages_; }
    OptionsPage* currentPage() const;
    void setCurrentPage(int index);
    QPushButton* applyButton() const { return apply_; }

    // Confirms every page that has been on view, in tab order; false when one
    // refused a value (that page is then on view).
    bool confirmPages();
    // The help topic of the page on view (none for "Результаты").
    void showPageHelp();

    void accept() override;

private:
    void addPage(OptionsPage* page);
    void updateApply();

    Settings& settings_;
    RegistryPort& registry_;
    HelpHook help_;
    std::vector<OptionsPage*> pages_;
    QTabWidget* tabs_;
    QDialogButtonBox* buttons_;
    QPushButton* apply_;
};

} // namespace mox
