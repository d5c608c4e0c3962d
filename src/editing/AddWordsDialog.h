#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QDialog>
#include <QPointer>
#include <QString>

#include "language/FieldLayouts.h"
#include "language/TranscriptionKeyboard.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace mox {

class ColorEdit;
struct DictRecord;
class LayoutPort;
class MessagePort;
class RecordTextValidator;
class Settings;
class DictionarySession;
class WordIndex;
class WordIndexModel;
class WordListView;

// "Mox! <> Добавление лексики": the learner types new words into the current
// dictionary (word, optional transcription, translation). Each accepted word
// is appended to the dictionary file as a new record and flushed at once,
// and joins the sorted list of the dictionary's words where it belongs. The
// dialog refuses a word the dictionary already holds, searches the list as
// the word is typed, switches the keyboard layout to the field in use and
// offers the on-screen transcription keyboard.
//
// Record texts are bytes in the code page of their field's font; a field
// takes only what its record field can hold (79, 79 and 29 bytes) and says
// why it refused anything else.
class AddWordsDialog final : public QDialog, public TranscriptionKeyboardOwner {
    Q_OBJECT
public:
    // The results: initialisation ended the dialog (a file could not be
    // opened or created, or the learner declined to create a dictionary), or
    // the learner closed it.
    enum Result { Ended = 1, Closed = 2 };

    static const QString& caption();    // "Mox! <> Добавление лексики"
    static const QString& helpTopic();  // "::/html_files/adding.html>main"

    // Where the incremental search starts: one value for the whole process,
    // kept from one opening of the dialog to the next.
    static int searchStart();
    static void setSearchStart(int position);

    // Initialises the dialog over the current dictionary of `settings`
    // (asking to create it when it is missing).
    AddWordsDialog(Settings& settings, LayoutPort& layouts, DictionarySession& session, QWidget* owner = nullptr);
    ~AddWordsDialog() override;

    // Runs the dialog modally and gives its result; Ended at once, without
    // showing anything, when initialisation ended it.
    int run();
    bool endedByInitialisation() const { return ended_; }

    // The "Добавить" action; true when the word was added.
    bool addWord();

    ColorEdit* wordField() const { return word_; }
    ColorEdit* transcriptionField() const { return transcription_; }
    ColorEdit* translationField() const { return translation_; }
    QCheckBox* transcriptionBox() const { return transcriptionBox_; }
    QPushButton* addButton() const { return addButton_; }
    QPushButton* closeButton() const { return closeButton_; }
    WordListView* list() const { return list_; }
    QLabel* addedLabel() const { return addedLabel_; }
    QLabel* countLabel() const { return countLabel_; }
    // Why the last edit of a field was refused (empty when nothing was).
    QLabel* statusLabel() const { return status_; }
    TranscriptionKeyboard* keyboard() const { return keyboard_; }
    const WordIndex& index() const { return *index_; }
    int insertionPoint() const { return insertionPoint_; }
    LayoutHandle loadedWordLayout() const { return layouts_.held(kWordField); }
    LayoutHandle loadedTranslationLayout() const { return layouts_.held(kTranslationField); }
    LayoutHandle loadedTranscriptionLayout() const { return layouts_.held(kTranscriptionField); }

    // TranscriptionKeyboardOwner
    QString transcriptionText() const override;
    bool replaceTranscription(const QString& text) override;
    int caretCharIndex() override;
    void advanceInsertionPoint() override;
    void focusTranscription() override;
    QList<QWidget*> controlsInSight() const override;

public slots:
    // Esc and the close box: the dialog ends with Closed.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void layoutControls(QWidget* owner);
    void initialise();
    bool handleEnter(QObject* watched);
    void onWordChanged(const QString& text);
    void onBoxClicked();
    void onFocusIn(QObject* watched);
    void openKeyboard();
    void closeKeyboard();
    void collapseCaret();
    void showCounts();
    void showRefusal(const QString& reason);
    bool appendToDictionary(const DictRecord& record);

    Settings& settings_;
    MessagePort& messages_;
    DictionarySession& session_;
    // The fields' keyboard layouts, in this order.
    enum Field : std::size_t { kWordField, kTranslationField, kTranscriptionField };
    FieldLayouts layouts_;

    std::uint8_t foreignCharSet_, nativeCharSet_, transCharSet_;
    std::uint32_t foreignLayout_, nativeLayout_, transLayout_;
    std::string foreignFace_, nativeFace_, transFace_;
    std::int16_t transFontSize_;

    std::unique_ptr<WordIndex> index_;
    // The index came from the cache, sorted; or it was read and sorted now
    // (and can be kept when the dialog closes).
    bool indexKept_ = false;
    bool indexComplete_ = false;
    WordIndexModel* model_ = nullptr;
    std::int32_t dictionaryCount_ = 0;
    std::int32_t addedCount_ = 0;
    int insertionPoint_ = 0;
    bool ended_ = false;
    // The transcription's text is being set by the program, not typed.
    bool settingTranscription_ = false;
    QPointer<TranscriptionKeyboard> keyboard_;

    QFont wordFont_, transcriptionFont_, translationFont_;

    ColorEdit* word_ = nullptr;
    QCheckBox* transcriptionBox_ = nullptr;
    ColorEdit* transcription_ = nullptr;
    ColorEdit* translation_ = nullptr;
    QPushButton* addButton_ = nullptr;
    WordListView* list_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QGroupBox* frame_ = nullptr;
    QLabel* addedText_ = nullptr;
    QLabel* countText_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QLabel* wordText_ = nullptr;
    QLabel* translationText_ = nullptr;
    QLabel* addedLabel_ = nullptr;
    QLabel* listText_ = nullptr;
    QLabel* status_ = nullptr;
    RecordTextValidator* wordValidator_ = nullptr;
    RecordTextValidator* translationValidator_ = nullptr;
    RecordTextValidator* transcriptionValidator_ = nullptr;
};

} // namespace mox
