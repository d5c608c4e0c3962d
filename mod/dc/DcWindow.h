#pragma once
#include <string>

#include <QDialog>

#include "ModuleSettings.h"

class QCheckBox;
class QComboBox;
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
// a dictionary from a UTF-8 text file (with a preview of its first rows, the
// columns, the header row and the two languages to choose), and the export
// of a dictionary to a tab-separated file; below them the report of what
// was done. Questions and failures go through the message port.
class DcWindow final : public QDialog {
    Q_OBJECT
public:
    DcWindow(const ModuleSettings& settings, MessagePort& messages, QWidget* parent = nullptr);

    // Loads a text file for the import (the file chooser ends here too).
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
    void runEmpty();
    void runExport();
    // Runs a job that may meet an existing file: asks before replacing it.
    template <class Job>
    Outcome runAsking(Job job);
    void showOutcome(const Outcome& outcome);
    void progressed(std::size_t done, std::size_t total);

    ModuleSettings settings_;
    MessagePort& messages_;
    std::string text_;   // the loaded file, read once for preview and import
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
