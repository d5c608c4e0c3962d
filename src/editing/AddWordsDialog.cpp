#include "editing/AddWordsDialog.h"

#include <algorithm>
#include <filesystem>

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "editing/WordIndex.h"
#include "editing/WordIndexCache.h"
#include "editing/WordIndexModel.h"
#include "help/Help.h"
#include "language/CharsetCodec.h"
#include "language/Font.h"
#include "language/LanguageTable.h"
#include "language/RecordTextValidator.h"
#include "settings/Settings.h"
#include "store/DictRecord.h"
#include "store/DictionarySession.h"
#include "store/RecordText.h"
#include "store/Store.h"
#include "widgets/ColorEdit.h"
#include "widgets/DialogUnits.h"
#include "widgets/WordListView.h"

namespace mox {

namespace {

int searchStartValue = 0;

constexpr std::size_t kWordBytes = fieldCapacity(DictRecord{}.word);
constexpr std::size_t kTranslationBytes = fieldCapacity(DictRecord{}.translation);
constexpr std::size_t kTranscriptionBytes = fieldCapacity(DictRecord{}.transcription);

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// One bracket goes from each end: "[kat]" is stored as "kat".
QString cleanTranscription(QString text)
{
    auto bracket = [](QChar c) { return c == u'[' || c == u']'; };
    if (!text.isEmpty() && bracket(text.front()))
        text.remove(0, 1);
    if (!text.isEmpty() && bracket(text.back()))
        text.chop(1);
    return text;
}

// The transcription field holds what the record holds once the enclosing
// brackets are gone, so "[" and "]" around a full transcription still fit.
QString transcriptionRefusal(const RecordTextValidator& validator, const QString& text)
{
    const QString reason = validator.refusal(text);
    if (reason.isEmpty() || !validator.codec().encode(text).ok)
        return reason;
    return validator.refusal(cleanTranscription(text));
}

class TranscriptionValidator final : public RecordTextValidator {
public:
    using RecordTextValidator::RecordTextValidator;

    State validate(QString& input, int&) const override
    {
        const QString reason = transcriptionRefusal(*this, input);
        if (reason.isEmpty())
            return Acceptable;
        emit refused(reason);
        return Invalid;
    }
};

// The check box "Транскрипция" cycles unchecked, checked, indeterminate.
class TranscriptionBox final : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override
    {
        switch (checkState()) {
        case Qt::Unchecked: setCheckState(Qt::Checked); break;
        case Qt::Checked: setCheckState(Qt::PartiallyChecked); break;
        case Qt::PartiallyChecked: setCheckState(Qt::Unchecked); break;
        }
    }
};

} // namespace

const QString& AddWordsDialog::caption()
{
    static const QString text = QStringLiteral("Mox! <> Добавление лексики");
    return text;
}

const QString& AddWordsDialog::helpTopic()
{
    static const QString topic = QStringLiteral("::/html_files/adding.html>main");
    return topic;
}

int AddWordsDialog::searchStart()
{
    return searchStartValue;
}

void AddWordsDialog::setSearchStart(int position)
{
    searchStartValue = position;
}

AddWordsDialog::AddWordsDialog(Settings& settings, LayoutPort& layouts, DictionarySession& session, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      settings_(settings), messages_(settings.messages()), session_(session),
      layouts_(layouts, settings, {settings.uiForeignLayout(), settings.uiNativeLayout(), settings.uiTransLayout()})
{
    // Copies of the settings the dialog works with.
    foreignCharSet_ = settings_.iForeignCharSet();
    nativeCharSet_ = settings_.iNativeCharSet();
    transCharSet_ = settings_.iTransCharSet();
    foreignLayout_ = settings_.uiForeignLayout();
    nativeLayout_ = settings_.uiNativeLayout();
    transLayout_ = settings_.uiTransLayout();
    foreignFace_ = settings_.sForeignFontFace();
    nativeFace_ = settings_.sNativeFontFace();
    transFace_ = settings_.sTransFontFace();
    transFontSize_ = settings_.transFontSize();
    const QString locale = QString::fromLatin1(languageLocaleName(foreignLayout_).data(),
                                               static_cast<qsizetype>(languageLocaleName(foreignLayout_).size()));
    // The index of the last opening serves while the words are as they were.
    if (const auto version = session_.wordsVersion())
        index_ = WordIndexCache::shared().take({session_.paths().dictionary, foreignCharSet_, locale, *version});
    indexKept_ = index_ != nullptr;
    if (!index_)
        index_ = std::make_unique<WordIndex>(foreignCharSet_, locale);

    buildControls();
    layoutControls(owner);
    installHelpKey(this, helpTopic());
    initialise();
}

AddWordsDialog::~AddWordsDialog()
{
    layouts_.release();
    closeKeyboard();
    // Every word added here went into the index too: it stays right for the
    // words as the session knows them now.
    const auto version = session_.wordsVersion();
    if ((indexKept_ || indexComplete_) && version) {
        const QString locale = QString::fromLatin1(languageLocaleName(foreignLayout_).data(),
                                                   static_cast<qsizetype>(languageLocaleName(foreignLayout_).size()));
        WordIndexCache::shared().keep({session_.paths().dictionary, foreignCharSet_, locale, *version},
                                      std::move(index_));
    }
}

void AddWordsDialog::buildControls()
{
    word_ = new ColorEdit(this);
    transcriptionBox_ = new TranscriptionBox(QStringLiteral("Транскрипция"), this);
    transcriptionBox_->setTristate(true);
    // The text stands left of the box.
    transcriptionBox_->setLayoutDirection(Qt::RightToLeft);
    transcriptionBox_->setFocusPolicy(Qt::ClickFocus);
    transcription_ = new ColorEdit(this);
    translation_ = new ColorEdit(this);
    addButton_ = new QPushButton(QStringLiteral("Добавить"), this);
    list_ = new WordListView(this);
    closeButton_ = new QPushButton(QStringLiteral("Закрыть"), this);
    frame_ = new QGroupBox(this);
    addedText_ = new QLabel(QStringLiteral("добавлено"), this);
    countText_ = new QLabel(QStringLiteral("в словаре"), this);
    countLabel_ = new QLabel(this);
    wordText_ = new QLabel(QStringLiteral("Новое слово"), this);
    translationText_ = new QLabel(QStringLiteral("Перевод"), this);
    addedLabel_ = new QLabel(QStringLiteral("0"), this);
    listText_ = new QLabel(QStringLiteral("Словарь"), this);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette warning = status_->palette();
    warning.setColor(QPalette::WindowText, QColor(160, 0, 0));
    status_->setPalette(warning);
    for (QLabel* label : {addedText_, countText_, countLabel_, addedLabel_})
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    word_->setObjectName("word");
    transcription_->setObjectName("transcription");
    translation_->setObjectName("translation");
    // What a screen reader names the fields by.
    word_->setAccessibleName(QStringLiteral("Новое слово"));
    transcription_->setAccessibleName(QStringLiteral("Транскрипция"));
    translation_->setAccessibleName(QStringLiteral("Перевод"));
    list_->setObjectName("words");
    status_->setObjectName("status");

    // No default push button: Enter follows the dialog's own rules.
    for (QPushButton* button : {addButton_, closeButton_}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    // Each field keeps to its record field.
    wordValidator_ = new RecordTextValidator(foreignCharSet_, kWordBytes, word_);
    translationValidator_ = new RecordTextValidator(nativeCharSet_, kTranslationBytes, translation_);
    transcriptionValidator_ = new TranscriptionValidator(transCharSet_, kTranscriptionBytes, transcription_);
    word_->setValidator(wordValidator_);
    translation_->setValidator(translationValidator_);
    transcription_->setValidator(transcriptionValidator_);
    for (RecordTextValidator* validator : {wordValidator_, translationValidator_, transcriptionValidator_})
        connect(validator, &RecordTextValidator::refused, this, &AddWordsDialog::showRefusal);
    for (ColorEdit* field : {word_, transcription_, translation_})
        connect(field, &QLineEdit::textEdited, status_, &QLabel::clear);

    model_ = new WordIndexModel(*index_, this);
    list_->setModel(model_);

    connect(word_, &QLineEdit::textChanged, this, &AddWordsDialog::onWordChanged);
    connect(transcriptionBox_, &QCheckBox::clicked, this, &AddWordsDialog::onBoxClicked);
    connect(addButton_, &QPushButton::clicked, this, [this] {
        addWord();
        word_->setFocus(Qt::OtherFocusReason);
    });
    connect(closeButton_, &QPushButton::clicked, this, &AddWordsDialog::reject);
    connect(transcription_, &QLineEdit::cursorPositionChanged, this, [this](int, int now) {
        if (transcription_->hasFocus() && !settingTranscription_)
            insertionPoint_ = now;
    });

    for (QWidget* widget : std::initializer_list<QWidget*>{word_, transcription_, translation_, addButton_,
                                                           closeButton_, list_, transcriptionBox_})
        widget->installEventFilter(this);
    setTabOrder(word_, transcription_);
    setTabOrder(transcription_, translation_);
    setTabOrder(translation_, addButton_);
    setTabOrder(addButton_, list_);
    setTabOrder(list_, closeButton_);
}

// Positions in dialog units of the 273 x 209 template.
void AddWordsDialog::layoutControls(QWidget* owner)
{
    const DialogUnits du(font());
    setFixedSize(du.x(273), du.y(209));
    word_->setGeometry(du.rect(9, 16, 255, 14));
    transcriptionBox_->setGeometry(du.rect(8, 34, 62, 8));
    transcription_->setGeometry(du.rect(9, 43, 151, 14));
    translation_->setGeometry(du.rect(9, 69, 255, 14));
    addButton_->setGeometry(du.rect(201, 88, 63, 15));
    list_->setGeometry(du.rect(9, 110, 255, 72));
    closeButton_->setGeometry(du.rect(201, 186, 63, 15));
    frame_->setGeometry(du.rect(3, 0, 267, 207));
    addedText_->setGeometry(du.rect(37, 185, 37, 8));
    countText_->setGeometry(du.rect(37, 195, 35, 8));
    countLabel_->setGeometry(du.rect(6, 195, 27, 8));
    wordText_->setGeometry(du.rect(9, 7, 44, 8));
    translationText_->setGeometry(du.rect(9, 60, 30, 8));
    addedLabel_->setGeometry(du.rect(6, 185, 27, 8));
    listText_->setGeometry(du.rect(9, 100, 30, 8));
    // The reasons for a refused edit, between the translation and the list.
    status_->setGeometry(du.rect(44, 85, 154, 24));
    frame_->lower();
    // The check box sizes to its text, which may be wider than the template's.
    transcriptionBox_->resize(std::max(transcriptionBox_->width(), transcriptionBox_->sizeHint().width()),
                              std::max(transcriptionBox_->height(), transcriptionBox_->sizeHint().height()));
    // Centred on its line, and never down onto the field below it.
    transcriptionBox_->move(transcriptionBox_->x(),
                            std::min(du.y(34) + du.y(8) / 2 - transcriptionBox_->height() / 2,
                                     transcription_->y() - transcriptionBox_->height()));
    if (owner != nullptr)
        move(owner->mapToGlobal(QPoint(0, 0)) + QPoint(du.x(2), du.y(-5)));
}

void AddWordsDialog::initialise()
{
    // The transcription keyboard draws with the transcription font only.
    if (QString::fromStdString(transFace_).compare(QStringLiteral("Transmox"), Qt::CaseInsensitive) != 0)
        transcriptionBox_->setEnabled(false);
    setWindowTitle(caption());
    addedCount_ = 0;
    showCounts();

    makeFont(wordFont_, -14, kFontWeightNormal, foreignCharSet_, foreignFace_);
    makeFont(transcriptionFont_, transFontSize_, kFontWeightNormal, transCharSet_, transFace_);
    makeFont(translationFont_, -14, kFontWeightNormal, nativeCharSet_, nativeFace_);
    word_->setFont(wordFont_);
    transcription_->setFont(transcriptionFont_);
    translation_->setFont(translationFont_);
    list_->setItemFont(100, kFontWeightNormal, foreignCharSet_, QString::fromStdString(foreignFace_));
    list_->setRowHeight(QFontMetrics(list_->itemFont(true)).height() + 2);

    transcriptionBox_->setCheckState(Qt::Checked);
    insertionPoint_ = 0;

    if (session_.dictionaryExists()) {
        if (!indexKept_) {
            indexComplete_ = index_->load(session_.dictionary()) == WordIndex::LoadResult::Loaded;
            if (!indexComplete_)
                messages_.show("Ошибка: Не удалось загрузить словарь.\n", MessageIcon::Error);
        }
        // The index holds a word for every live record: it gives the count
        // without a second pass over the file.
        dictionaryCount_ = indexKept_ || indexComplete_
                               ? index_->size()
                               : static_cast<std::int32_t>(DictItemCount(session_.paths().dictionary, messages_));
        showCounts();
        model_->reload();
        if (!session_.dictionary().openForUpdate()) {
            messages_.show("Не удалось открыть файл словаря.", MessageIcon::Error);
            ended_ = true;
        }
        return;
    }
    const MessageAnswer create = messages_.show(
        std::string("Отсутствует файл словаря. Cоздать новый словарь и ") + "\nоткрыть его для добавления лексики?",
        MessageIcon::Question, MessageButtons::YesNo);
    if (create != MessageAnswer::Yes) {
        ended_ = true;
        return;
    }
    bool listMade = false;
    if (!session_.createFiles(&listMade)) {
        messages_.show("Не удалось создать файл словаря.", MessageIcon::Error, MessageButtons::Ok);
        ended_ = true;
    } else if (!listMade) {
        // The words still reach the dictionary; the list is made when one is drawn.
        messages_.show("Не удалось создать файл списка.", MessageIcon::Error, MessageButtons::Ok);
    }
}

int AddWordsDialog::run()
{
    if (ended_)
        return Ended;
    return exec();
}

void AddWordsDialog::reject()
{
    done(Closed);
}

void AddWordsDialog::showCounts()
{
    addedLabel_->setText(QString::number(addedCount_));
    countLabel_->setText(QString::number(dictionaryCount_));
}

void AddWordsDialog::showRefusal(const QString& reason)
{
    status_->setText(reason);
}

// ---------------------------------------------------------------- adding

bool AddWordsDialog::appendToDictionary(const DictRecord& record)
{
    // A record that does not reach the file whole is taken out again by the
    // session, so the file stays a whole number of records.
    return session_.addWord(record);
}

bool AddWordsDialog::addWord()
{
    const QString wordText = word_->text();
    const QString translationText = translation_->text();
    const QString transcriptionText = cleanTranscription(transcription_->text());
    if (wordText.isEmpty() || translationText.isEmpty()) {
        messages_.show("Заполнены не все поля.", MessageIcon::None);
        return false;
    }
    // The fields keep to their record fields; these checks only hold the line.
    for (auto [validator, text] : {std::pair{wordValidator_, wordText}, std::pair{translationValidator_, translationText},
                                   std::pair{transcriptionValidator_, transcriptionText}}) {
        const QString reason = validator->refusal(text);
        if (!reason.isEmpty()) {
            showRefusal(reason);
            return false;
        }
    }
    const std::string wordBytes = wordValidator_->codec().encode(wordText).bytes;
    if (index_->contains(wordBytes)) {
        messages_.show("Добавляемое слово уже имеется в словаре.", MessageIcon::Warning);
        return false;
    }
    DictRecord record = newDictRecord();
    setFieldText(record.word, wordBytes);
    setFieldText(record.translation, translationValidator_->codec().encode(translationText).bytes);
    setFieldText(record.transcription, transcriptionValidator_->codec().encode(transcriptionText).bytes);
    if (!appendToDictionary(record)) {
        messages_.show("Не удалось записать слово в файл словаря.", MessageIcon::Error);
        return false;
    }
    model_->insert(wordBytes);

    word_->clear();
    translation_->clear();
    transcription_->clear();
    status_->clear();
    ++addedCount_;
    ++dictionaryCount_;
    showCounts();
    return true;
}

// ---------------------------------------------------------------- search

void AddWordsDialog::onWordChanged(const QString& text)
{
    if (text.isEmpty()) {
        searchStartValue = 0;
        translation_->clear();
        list_->selectRow(index_->size() > 0 ? 0 : -1);
        return;
    }
    const EncodeResult bytes = wordValidator_->codec().encode(text);
    const int found = bytes.ok ? index_->findPrefix(bytes.bytes, searchStartValue) : -1;
    if (found < 0) {
        list_->selectRow(-1);
        searchStartValue = 0;
        return;
    }
    searchStartValue = found;
    list_->selectRow(index_->findFromTopIgnoringCase(text, found));
}

// ---------------------------------------------------------------- keys, focus, keyboard

bool AddWordsDialog::handleEnter(QObject* watched)
{
    if (watched == word_) {
        if (transcription_->isEnabled())
            transcription_->setFocus(Qt::TabFocusReason);
        else
            translation_->setFocus(Qt::TabFocusReason);
    } else if (watched == transcription_) {
        translation_->setFocus(Qt::TabFocusReason);
    } else if (watched == translation_ || watched == addButton_) {
        if (addWord())
            word_->setFocus(Qt::OtherFocusReason);
    } else if (watched == closeButton_) {
        closeButton_->click();
    }
    return true;
}

bool AddWordsDialog::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isEnter(key->key()))
            return handleEnter(watched);
        // In the transcription field the caret moves without a selection.
        if (watched == transcription_
            && (key->key() == Qt::Key_Home || key->key() == Qt::Key_End || key->key() == Qt::Key_Left
                || key->key() == Qt::Key_Right)) {
            static_cast<QObject*>(transcription_)->event(event);
            insertionPoint_ = transcription_->cursorPosition();
            collapseCaret();
            return true;
        }
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (watched == transcription_ && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            static_cast<QObject*>(transcription_)->event(event);
            insertionPoint_ = transcription_->cursorPosition();
            collapseCaret();
            return true;
        }
        return false;
    case QEvent::FocusIn:
        // The field takes the focus first (a tab into a field selects its
        // text); the dialog's rules come after.
        watched->event(event);
        onFocusIn(watched);
        return true;
    default:
        return false;
    }
}

void AddWordsDialog::onFocusIn(QObject* watched)
{
    if (watched == word_) {
        layouts_.enter(kWordField);
        closeKeyboard();
    } else if (watched == translation_) {
        layouts_.enter(kTranslationField);
        closeKeyboard();
    } else if (watched == transcription_) {
        layouts_.enter(kTranscriptionField);
        collapseCaret();
        if (transcriptionBox_->isEnabled() && transcriptionBox_->checkState() == Qt::Checked && !keyboard_)
            openKeyboard();
    }
}

void AddWordsDialog::collapseCaret()
{
    insertionPoint_ = std::clamp(insertionPoint_, 0, static_cast<int>(transcription_->text().size()));
    settingTranscription_ = true;
    transcription_->setCursorPosition(insertionPoint_);
    settingTranscription_ = false;
}

void AddWordsDialog::onBoxClicked()
{
    switch (transcriptionBox_->checkState()) {
    case Qt::Unchecked:
        transcription_->setEnabled(false);
        closeKeyboard();
        break;
    case Qt::Checked:
        // The keyboard comes with the field's next focus.
        transcription_->setEnabled(true);
        break;
    case Qt::PartiallyChecked:
        transcription_->setEnabled(true);
        closeKeyboard();
        break;
    }
}

void AddWordsDialog::openKeyboard()
{
    keyboard_ = new TranscriptionKeyboard(*this, this);
    connect(keyboard_, &TranscriptionKeyboard::closed, this, [this] { keyboard_ = nullptr; });
    keyboard_->show();
    transcription_->setFocus(Qt::OtherFocusReason);
}

void AddWordsDialog::closeKeyboard()
{
    if (keyboard_)
        keyboard_->closeKeyboard();
}

QString AddWordsDialog::transcriptionText() const
{
    return transcription_->text();
}

bool AddWordsDialog::replaceTranscription(const QString& text)
{
    const QString reason = transcriptionRefusal(*transcriptionValidator_, text);
    if (!reason.isEmpty()) {
        showRefusal(reason);
        return false;
    }
    settingTranscription_ = true;
    transcription_->setText(text);
    settingTranscription_ = false;
    collapseCaret();
    return true;
}

int AddWordsDialog::caretCharIndex()
{
    if (transcription_->hasFocus())
        insertionPoint_ = transcription_->cursorPosition();
    return insertionPoint_;
}

void AddWordsDialog::advanceInsertionPoint()
{
    ++insertionPoint_;
    collapseCaret();
}

void AddWordsDialog::focusTranscription()
{
    transcription_->setFocus(Qt::OtherFocusReason);
}

QList<QWidget*> AddWordsDialog::controlsInSight() const
{
    return {transcription_, status_, word_, translation_, addButton_, closeButton_};
}

} // namespace mox
