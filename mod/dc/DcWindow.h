#pragma once
#include <string>

#include <QDialog>

#include "Jobs.h"
#include "ModuleSettings.h"

class QCheckBox;
class QComboBox;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStandardItemModel;
class QTableView;
class QTabWidget;

namespace mox {
class MessagePort;
}

namespace mox::dc {

struct Outcome;

// The module's window "Mox! <> Создание словаря": a new empty dictionary,
// a dictionary from a file (a text, a notes export, a deck package or a KVTML
// file, chosen, typed, pasted or dropped on the window; a preview of its
// first rows, the separator, the columns, the header row and the two
// languages to choose), and the export of a dictionary to a tab-separated
// file or a notes export in the languages chosen; below them the report of
// what was done, with its counts per reason and the fixes it offers.
// Questions and failures go through the message port.
class DcWindow final : public QDialog {
    Q_OBJECT
public:
    DcWindow(const ModuleSettings& settings, MessagePort& messages, QWidget* parent = nullptr);

    // Loads a file for the import (the file chooser, a typed path and a
    // dropped file end here too). Only the first part of a text is read for
    // the preview; the import reads it whole.
    bool openFile(const QString& path);

    // The widgets, for tests.
    QTabWidget* tabs() const { return tabs_; }
    QTableView* preview() const { return preview_; }
    QComboBox* separatorBox() const { return separator_; }
    QCheckBox* headerBox() const { return header_; }
    QComboBox* wordColumnBox() const { return wordColumn_; }
    QComboBox* translationColumnBox() const { return translationColumn_; }
    QComboBox* transcriptionColumnBox() const { return transcriptionColumn_; }
    QComboBox* foreignLanguageBox() const { return foreignLanguage_; }
    QComboBox* nativeLanguageBox() const { return nativeLanguage_; }
    QLineEdit* fileEdit() const { return fileEdit_; }
    QLabel* formatLabel() const { return format_; }
    QCheckBox* refuseUntranscribedBox() const { return refuseUntranscribed_; }
    QCheckBox* refuseStressedBox() const { return refuseStressed_; }
    // The buttons of the fixes the last import offers.
    QList<QPushButton*> fixButtons() const;
    QComboBox* exportForeignBox() const { return exportForeign_; }
    QComboBox* exportNativeBox() const { return exportNative_; }
    QComboBox* exportFormatBox() const { return exportFormat_; }
    QLineEdit* importNameEdit() const { return importName_; }
    QPushButton* importButton() const { return importButton_; }
    QLineEdit* emptyNameEdit() const { return emptyName_; }
    QPushButton* emptyButton() const { return emptyButton_; }
    QComboBox* exportDictionaryBox() const { return exportDictionary_; }
    QLineEdit* exportFileEdit() const { return exportFile_; }
    QPushButton* exportButton() const { return exportButton_; }
    QProgressBar* progressBar() const { return progress_; }
    QPlainTextEdit* reportView() const { return report_; }

    static constexpr int kPreviewRows = 20;
    static constexpr std::size_t kPreviewBytes = 256 * 1024;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QWidget* buildImportPage();
    QWidget* buildEmptyPage();
    QWidget* buildExportPage();
    void chooseFile();
    void chooseExportFile();
    void refreshPreview();
    void fillColumnChoosers(int columns);
    QString columnTitle(int column) const;
    void updateButtons();
    void fillDictionaryList();
    void runImport();
    void applyFix(const Fix& fix);
    void showFixes(const std::vector<Fix>& fixes);
    std::optional<Separator> chosenSeparator() const;
    void exportDictionaryChanged();
    void runEmpty();
    void runExport();
    // Runs a job that may meet an existing file: asks before replacing it.
    template <class Job>
    Outcome runAsking(Job job);
    void showOutcome(const Outcome& outcome);
    void progressed(std::size_t done, std::size_t total);

    ModuleSettings settings_;
    MessagePort& messages_;
    SourceFile source_;   // the loaded file (only the head of a text)
    Preview previewData_;
    int shownColumns_ = -1;   // columns the choosers were filled for
    QString file_;

    QTabWidget* tabs_ = nullptr;
    QLineEdit* fileEdit_ = nullptr;
    QComboBox* separator_ = nullptr;
    QCheckBox* header_ = nullptr;
    QTableView* preview_ = nullptr;
    QStandardItemModel* previewModel_ = nullptr;
    QComboBox* wordColumn_ = nullptr;
    QComboBox* translationColumn_ = nullptr;
    QComboBox* transcriptionColumn_ = nullptr;
    QComboBox* foreignLanguage_ = nullptr;
    QComboBox* nativeLanguage_ = nullptr;
    QLabel* format_ = nullptr;
    QCheckBox* refuseUntranscribed_ = nullptr;
    QCheckBox* refuseStressed_ = nullptr;
    QWidget* fixes_ = nullptr;
    QComboBox* exportForeign_ = nullptr;
    QComboBox* exportNative_ = nullptr;
    QComboBox* exportFormat_ = nullptr;
    QLineEdit* importName_ = nullptr;
    QPushButton* importButton_ = nullptr;
    QLineEdit* emptyName_ = nullptr;
    QPushButton* emptyButton_ = nullptr;
    QComboBox* exportDictionary_ = nullptr;
    QLineEdit* exportFile_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPlainTextEdit* report_ = nullptr;
    qint64 progressStarted_ = 0;
};

} // namespace mox::dc
