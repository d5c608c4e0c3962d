#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QFont>
#include <QString>

#include "options/OptionsPage.h"
#include "store/Restore.h"

class QLineEdit;
class QListView;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace mox {

class DictionarySession;
class ExcludedWordsModel;
class MessagePort;
class Settings;

// What the dictionary editor tells when it closes.
struct EditorReport {
    bool rowsDeleted = false;   // words were deleted (the counts change)
    bool cellsChanged = false;  // texts were changed
};
// Opens the dictionary editor modally on the current dictionary, owned by
// `owner`, and reports what it did.
using EditorHook = std::function<EditorReport(QWidget* owner)>;

// The Dictionaries page of the options sheet: the dictionaries of the
// dictionary folder, which of them is current, how many of its words are
// active and how many there are, creating (with the dictionary-creation
// module), editing, repairing and deleting dictionaries, and returning
// excluded words to learning. Choosing a dictionary sets sCurDict and sCurList
// when the page is applied; creating, deleting, editing and repairing act on
// the files at once. Every change of a dictionary goes through the program's
// dictionary session, which first follows the dictionary the settings now
// name current, so the working list in memory always belongs to the
// dictionary being changed.
//
// Child object names: "dictionaries" (the dictionary list), "create", "edit",
// "restore", "delete" (the buttons), "activeCount" and "totalCount" (the
// fields "Активно:" and "Всего:"), "tabs", "excludedWords" (the list of
// excluded words) and "hint".
class CPgDictionary : public OptionsPage, public RestoreRefresh {
    Q_OBJECT
public:
    static constexpr const char* kTabCaption = "Словари";
    static constexpr const char* kHelpTopic = "::/html_files/optdict.html>main";
    // Created when the folder holds no dictionary at all.
    static constexpr const char* kEmptyDictionary = "empty.dct";
    // The dictionary-creation module in the modules folder.
    static constexpr const char* kModuleName = "dc";
    // The excluded words are drawn in the studied language's font at this size.
    static constexpr int kWordPoints = 10;

    // The counts of the current dictionary and the studied language's font are
    // taken now, as the sheet is built. `openEditor` may be empty (no editor).
    CPgDictionary(Settings& settings, MessagePort& messages, DictionarySession& session, EditorHook openEditor,
                  QWidget* parent = nullptr);
    ~CPgDictionary() override;

    QString tabCaption() const override { return QString::fromUtf8(kTabCaption); }
    QString helpTopic() const override { return QString::fromUtf8(kHelpTopic); }
    // Re-activates the selected excluded words, records the word count after
    // the editor deleted words, and makes the selected dictionary current.
    bool confirm() override;

    // The program started by "Создать"; modFolder + "dc" unless set here.
    void setModuleProgram(const QString& program) { moduleProgram_ = program; }
    QString moduleProgram() const;

    // The page's operations (the buttons and the sheet call them).
    void fillDictionaryList();
    void refreshDictionaries();
    void makeSelectedCurrent();
    void showExcludedWords();
    void activateSelectedWords();
    void createDictionary();
    void deleteDictionary();
    void editDictionary();
    void restoreCurrent();

    // RestoreRefresh: a restore that returned words to learning.
    void clearExcludedWords() override;
    void showCounts(std::uint32_t total, std::uint32_t active) override;

    std::uint32_t totalCount() const { return totalCount_; }
    std::uint32_t activeCount() const { return activeCount_; }
    // The dictionary the page regards as current.
    const std::string& currentName() const { return current_; }
    // The name of the selected dictionary, if one is selected.
    std::optional<std::string> selectedName() const;

protected:
    void firstShown() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // The dictionary files of the folder, sorted as the list shows them.
    std::vector<std::string> dictionaryFiles() const;
    // Empties the dictionary list and fills it with `names`.
    void setDictionaryItems(const std::vector<std::string>& names);
    // Creates "empty.dct"; false (after a message) when it cannot.
    bool createEmptyDictionary();
    // Selects a row of the dictionary list without marking the page modified.
    void selectRow(int row);
    int rowOf(const std::string& name) const;
    // Whether the current dictionary's name can be opened at all.
    bool currentIsPlain() const;
    void showCountFields();
    void setHint();
    void updateModified();
    void runModule();
    // Makes the languages recorded beside dictionary `name` the settings'.
    void takeLanguagesOf(const std::string& name);
    // The session, moved to the dictionary the settings name current.
    DictionarySession& followCurrent();

    Settings& settings_;
    MessagePort& messages_;
    DictionarySession& session_;
    EditorHook openEditor_;
    QString moduleProgram_;

    std::uint32_t totalCount_ = 0;
    std::uint32_t activeCount_ = 0;
    std::string current_;
    bool countsChangedByEditor_ = false;
    // The user chose a dictionary in the list since the last confirmation.
    bool dictionaryChosen_ = false;
    // Selections made by the page itself mark nothing modified.
    bool selecting_ = false;
    std::string foreignFace_;
    std::uint8_t foreignCharSet_ = 0;
    QFont wordFont_;

    QListWidget* dictionaries_ = nullptr;
    QPushButton* create_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* restore_ = nullptr;
    QPushButton* delete_ = nullptr;
    QLineEdit* activeField_ = nullptr;
    QLineEdit* totalField_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QListView* excluded_ = nullptr;
    ExcludedWordsModel* model_ = nullptr;
    QPlainTextEdit* hint_ = nullptr;
};

} // namespace mox
