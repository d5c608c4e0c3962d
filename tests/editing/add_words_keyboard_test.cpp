// The add-words dialog's transcription keyboard, layouts, creation of a
// missing dictionary and help (offscreen, over real files).
#include "AddWordsFixture.h"
#include <QScreen>
#include <QTextBrowser>

namespace {

// The same fixture, in a suite of its own (a fixture of another translation
// unit is another class).
class AddWordsKeyboardTest : public AddWordsTest {};
} // namespace

namespace {
TEST_F(AddWordsKeyboardTest, KeyboardComesWithTheTranscriptionFieldAndFollowsTheBox)
{
    writeDictionary({});
    open();
    EXPECT_EQ(dialog->keyboard(), nullptr);
    EXPECT_EQ(dialog->transcriptionBox()->checkState(), Qt::Checked);
    focusOn(dialog->transcriptionField());
    TranscriptionKeyboard* keyboard = dialog->keyboard();
    ASSERT_NE(keyboard, nullptr);
    EXPECT_TRUE(keyboard->isVisible());
    EXPECT_EQ(focus(), dialog->transcriptionField()); // the keyboard never keeps the focus
    EXPECT_EQ(keyboard->width(), 213);
    // On the screen, covering none of the controls it must leave in sight
    // (the offscreen screen leaves no room beside the dialog).
    const QRect placed = keyboard->frameGeometry();
    EXPECT_TRUE(dialog->screen()->availableGeometry().contains(placed));
    for (QWidget* control : dialog->controlsInSight())
        EXPECT_FALSE(placed.intersects(QRect(control->mapToGlobal(QPoint(0, 0)), control->size())))
            << control->objectName().toStdString() << " under the keyboard at " << placed.x() << "," << placed.y();
    // The 55 keys it always had, and the page key to the further symbols.
    int visible = 0;
    for (QAbstractButton* key : keyboard->findChildren<QAbstractButton*>())
        visible += key->isVisible();
    EXPECT_EQ(visible, 56);
    EXPECT_EQ(keyboard->page(), 0);
    EXPECT_EQ(keyboard->key(1130)->text(), "[...]");
    EXPECT_EQ(keyboard->key(1100)->font().family(), "TransMox");
    EXPECT_EQ(keyboard->key(1100)->focusPolicy(), Qt::NoFocus);

    // The word and translation fields close it.
    focusOn(dialog->translationField());
    QTest::qWait(0);
    EXPECT_EQ(dialog->keyboard(), nullptr);
    focusOn(dialog->transcriptionField());
    ASSERT_NE(dialog->keyboard(), nullptr);
    focusOn(dialog->wordField());
    EXPECT_EQ(dialog->keyboard(), nullptr);

    // Its own close box (or Esc) closes it; the next focus opens a new one.
    focusOn(dialog->transcriptionField());
    ASSERT_NE(dialog->keyboard(), nullptr);
    QTest::keyClick(dialog->keyboard(), Qt::Key_Escape);
    EXPECT_EQ(dialog->keyboard(), nullptr);
    focusOn(dialog->wordField());
    focusOn(dialog->transcriptionField());
    ASSERT_NE(dialog->keyboard(), nullptr);
    dialog->keyboard()->close();
    EXPECT_EQ(dialog->keyboard(), nullptr);

    // The box cycles checked, indeterminate, unchecked.
    focusOn(dialog->wordField());
    focusOn(dialog->transcriptionField());
    ASSERT_NE(dialog->keyboard(), nullptr);
    QTest::mouseClick(dialog->transcriptionBox(), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionBox()->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(dialog->keyboard(), nullptr);
    EXPECT_TRUE(dialog->transcriptionField()->isEnabled());
    focusOn(dialog->transcriptionField());
    EXPECT_EQ(dialog->keyboard(), nullptr); // only the fully checked box brings it
    QTest::mouseClick(dialog->transcriptionBox(), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionBox()->checkState(), Qt::Unchecked);
    EXPECT_FALSE(dialog->transcriptionField()->isEnabled());
    // With the field off, Enter in the word field goes to the translation.
    focusOn(dialog->wordField());
    enter(dialog->wordField());
    EXPECT_EQ(focus(), dialog->translationField());
    QTest::mouseClick(dialog->transcriptionBox(), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionBox()->checkState(), Qt::Checked);
    EXPECT_TRUE(dialog->transcriptionField()->isEnabled());
    focusOn(dialog->transcriptionField());
    EXPECT_NE(dialog->keyboard(), nullptr);

    // Closing the dialog closes its keyboard.
    QPointer<TranscriptionKeyboard> last = dialog->keyboard();
    dialog.reset();
    EXPECT_TRUE(last.isNull() || !last->isVisible());
}

TEST_F(AddWordsKeyboardTest, AnotherTranscriptionFaceHasNoKeyboard)
{
    settings.setSTransFontFace("DejaVu Sans");
    writeDictionary({});
    open();
    EXPECT_FALSE(dialog->transcriptionBox()->isEnabled());
    focusOn(dialog->transcriptionField());
    EXPECT_EQ(dialog->keyboard(), nullptr);
    EXPECT_TRUE(dialog->transcriptionField()->isEnabled());
    dialog.reset();
    settings.setSTransFontFace("transMOX");
    open();
    EXPECT_TRUE(dialog->transcriptionBox()->isEnabled());
}

TEST_F(AddWordsKeyboardTest, KeysInsertAtTheCaretAndTheBracketKeyEnclosesTheText)
{
    writeDictionary({});
    open();
    focusOn(dialog->transcriptionField());
    TranscriptionKeyboard* keyboard = dialog->keyboard();
    ASSERT_NE(keyboard, nullptr);

    // "[...]" on an empty field.
    QTest::mouseClick(keyboard->key(1130), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionField()->text(), "[]");
    dialog->transcriptionField()->clear();

    type(dialog->transcriptionField(), "ab");
    QTest::keyClick(dialog->transcriptionField(), Qt::Key_Left);
    EXPECT_EQ(dialog->insertionPoint(), 1);
    QTest::mouseClick(keyboard->keyCaptioned("e"), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionField()->text(), "aeb");
    EXPECT_EQ(dialog->transcriptionField()->cursorPosition(), 2);
    EXPECT_EQ(focus(), dialog->transcriptionField());
    QTest::mouseClick(keyboard->keyCaptioned("e"), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionField()->text(), "aeeb");
    EXPECT_EQ(dialog->insertionPoint(), 3);

    // A key goes at the caret after the mouse moved it...
    QTest::mouseClick(dialog->transcriptionField(), Qt::LeftButton, {}, QPoint(1, 5));
    EXPECT_EQ(dialog->insertionPoint(), 0);
    QTest::mouseClick(keyboard->keyCaptioned("Q"), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionField()->text(), "Qaeeb");
    // ...and Home/End collapse any selection to the remembered place.
    QTest::keyClick(dialog->transcriptionField(), Qt::Key_End, Qt::ShiftModifier);
    EXPECT_FALSE(dialog->transcriptionField()->hasSelectedText());
    EXPECT_EQ(dialog->insertionPoint(), 5);

    // The text shortened elsewhere while the field had no focus: the key
    // goes at its end.
    focusOn(dialog->list());
    ASSERT_NE(dialog->keyboard(), nullptr);
    dialog->transcriptionField()->setText("k");
    QTest::mouseClick(keyboard->keyCaptioned(":"), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionField()->text(), "k:");
    EXPECT_EQ(focus(), dialog->transcriptionField());

    QTest::mouseClick(keyboard->key(1130), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionField()->text(), "[k:]");
}

TEST_F(AddWordsKeyboardTest, FurtherPagesOfTheKeyboardInsertTheirSymbolsByTheSameRules)
{
    writeDictionary({});
    open();
    type(dialog->wordField(), "Brücke");
    focusOn(dialog->transcriptionField());
    TranscriptionKeyboard* keyboard = dialog->keyboard();
    ASSERT_NE(keyboard, nullptr);
    ASSERT_GE(keyboard->pageCount(), 2);
    QAbstractButton* pageKey = keyboard->key(TranscriptionKeyboard::kPageKeyId);
    ASSERT_NE(pageKey, nullptr);
    // ʁ (byte A4) is on the second page: hidden until the page key turns to it.
    QAbstractButton* uvular = keyboard->keyInserting(QChar(0xA4));
    ASSERT_NE(uvular, nullptr);
    EXPECT_FALSE(uvular->isVisible());
    EXPECT_FALSE(keyboard->keyCaptioned("a")->isHidden());
    QTest::mouseClick(pageKey, Qt::LeftButton);
    EXPECT_EQ(keyboard->page(), 1);
    EXPECT_TRUE(uvular->isVisible());
    EXPECT_TRUE(keyboard->keyCaptioned("a")->isHidden());
    EXPECT_EQ(focus(), dialog->transcriptionField());   // turning a page keeps the focus in the field

    // b ʁ ʏ k ə with the keys of both pages, at the caret.
    type(dialog->transcriptionField(), "b");
    QTest::mouseClick(uvular, Qt::LeftButton);
    QTest::mouseClick(keyboard->keyInserting(QChar(0xA6)), Qt::LeftButton);   // ʏ
    for (int i = 1; i < keyboard->pageCount(); ++i)
        QTest::mouseClick(pageKey, Qt::LeftButton);
    EXPECT_EQ(keyboard->page(), 0);   // round to the first page again
    QTest::mouseClick(keyboard->keyCaptioned("k"), Qt::LeftButton);
    QTest::mouseClick(keyboard->keyCaptioned("E"), Qt::LeftButton);
    EXPECT_EQ(dialog->transcriptionField()->text(), QString::fromLatin1("b\xA4\xA6kE"));
    EXPECT_EQ(dialog->insertionPoint(), 5);
    // A combining mark is shown on a dotted circle and inserts its byte alone.
    QAbstractButton* tilde = keyboard->keyInserting(QChar(0xBB));
    ASSERT_NE(tilde, nullptr);
    EXPECT_EQ(tilde->text(), QString(QChar(0x25CC)) + QChar(0xBB));
    QTest::keyClick(dialog->transcriptionField(), Qt::Key_Left);
    tilde->click();
    EXPECT_EQ(dialog->transcriptionField()->text(), QString::fromLatin1("b\xA4\xA6k\xBB" "E"));

    enter(dialog->transcriptionField());
    type(dialog->translationField(), QStringLiteral("мост"));
    enter(dialog->translationField());
    ASSERT_EQ(onDisk().size(), 1u);
    EXPECT_EQ(fieldText(onDisk()[0].transcription), "b\xA4\xA6k\xBB" "E");
}

TEST_F(AddWordsKeyboardTest, LayoutsFollowTheFieldsAndWhatWasLoadedIsReleased)
{
    writeDictionary({});
    open();
    EXPECT_EQ(layouts.activeLanguage(), 0x409); // preloaded: activated, not loaded
    EXPECT_EQ(dialog->loadedWordLayout(), 0u);
    focusOn(dialog->transcriptionField());
    EXPECT_EQ(layouts.activeLanguage(), 0x407);
    const LayoutHandle german = dialog->loadedTranscriptionLayout();
    EXPECT_NE(german, 0u);
    EXPECT_TRUE(layouts.isLoaded(german));
    focusOn(dialog->translationField());
    EXPECT_EQ(layouts.activeLanguage(), 0x419);
    EXPECT_EQ(dialog->loadedTranslationLayout(), 0u);

    layouts.calls.clear();
    dialog.reset();
    EXPECT_FALSE(layouts.isLoaded(german));
    EXPECT_FALSE(layouts.preloadedUnloadAttempted);
    ASSERT_FALSE(layouts.calls.empty());
    EXPECT_EQ(layouts.calls.front(), "previous");
}

TEST_F(AddWordsKeyboardTest, MissingDictionaryIsCreatedOnYesAndTheDialogEndsOnNo)
{
    messages.answers.push_back(MessageAnswer::No);
    dialog = makeDialog();
    EXPECT_TRUE(dialog->endedByInitialisation());
    EXPECT_EQ(dialog->run(), AddWordsDialog::Ended);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Отсутствует файл словаря. Cоздать новый словарь и \nоткрыть его для добавления лексики?");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Question);
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_FALSE(std::filesystem::exists(dictPath()));
    dialog.reset();

    messages.clear();
    open(); // answered Yes
    EXPECT_TRUE(std::filesystem::exists(dictPath()));
    EXPECT_TRUE(std::filesystem::exists(listPath()));
    typeWord("new", "nju:", QStringLiteral("новый"));
    ASSERT_EQ(onDisk().size(), 1u);
    EXPECT_STREQ(onDisk()[0].word, "new");
}

TEST_F(AddWordsKeyboardTest, AFolderInPlaceOfTheDictionaryCountsAsNoDictionary)
{
    // A folder at the dictionary's path is no dictionary: the dialog offers
    // to create one, and the creation fails without touching the folder.
    std::filesystem::create_directories(dictPath());
    dialog = makeDialog();
    EXPECT_EQ(dialog->run(), AddWordsDialog::Ended);
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"Отсутствует файл словаря. Cоздать новый словарь и \nоткрыть его для добавления лексики?",
                                        "Не удалось создать файл словаря."}));
    EXPECT_EQ(messages.shown.back().icon, MessageIcon::Error);
    EXPECT_TRUE(std::filesystem::is_directory(dictPath()));
}

TEST_F(AddWordsKeyboardTest, ADictionaryThatCannotBeCreatedEndsTheDialog)
{
    // A folder that cannot be written to.
    std::filesystem::permissions(dir.path() / "voc", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::access((dir.path() / "voc").c_str(), W_OK) == 0)
        GTEST_SKIP() << "running with rights that ignore file permissions";
    dialog = makeDialog();
    EXPECT_EQ(dialog->run(), AddWordsDialog::Ended);
    EXPECT_EQ(messages.texts().back(), "Не удалось создать файл словаря.");
}

TEST_F(AddWordsKeyboardTest, AWordThatDidNotReachTheFileIsNotCounted)
{
    writeDictionary({{"cat", cp1251("кошка"), "kat"}});
    open();
    messages.clear();
    // The file may grow no further (as on a full disk): every write to it fails.
    struct rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = previous;
    limit.rlim_cur = static_cast<rlim_t>(std::filesystem::file_size(dictPath()));
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    typeWord("lost", "", "x");
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousSignal);
    EXPECT_EQ(std::filesystem::file_size(dictPath()), 208u); // nothing torn left behind
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Не удалось записать слово в файл словаря."});
    EXPECT_EQ(dialog->addedLabel()->text(), "0");
    EXPECT_EQ(dialog->index().size(), 1);
    EXPECT_EQ(dialog->wordField()->text(), "lost"); // nothing lost from the fields either
}

TEST_F(AddWordsKeyboardTest, F1OpensTheDialogsHelpPages)
{
    ASSERT_TRUE(QFile::copy(QStringLiteral(MOX_TEST_HELP_FILE), QString::fromStdString(settings.helpFile())));
    setHelpSettings(&settings);
    auto pageOnView = [] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String("helpWindow") && top->isVisible())
                return top->findChild<QTextBrowser*>()->documentTitle();
        return QString();
    };
    writeDictionary({});
    open();
    QTest::keyClick(dialog->wordField(), Qt::Key_F1);
    EXPECT_EQ(pageOnView(), QStringLiteral("Добавление слов"));

    ExcludeWordDialog exclude;
    exclude.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&exclude));
    QApplication::setActiveWindow(&exclude);
    QTest::keyClick(exclude.yesButton(), Qt::Key_F1);
    EXPECT_EQ(pageOnView(), QStringLiteral("Исключение слова"));
    EXPECT_TRUE(messages.shown.empty());
    setHelpSettings(nullptr);
}

TEST_F(AddWordsKeyboardTest, KeyboardIsDraggedByItsBackground)
{
    writeDictionary({});
    open();
    focusOn(dialog->transcriptionField());
    TranscriptionKeyboard* keyboard = dialog->keyboard();
    ASSERT_NE(keyboard, nullptr);
    const QPoint start = keyboard->pos();
    // Between the rows of keys, where no key is.
    const QPoint grip(keyboard->width() - 2, keyboard->height() - 2);
    ASSERT_EQ(keyboard->childAt(grip), nullptr);
    QTest::mousePress(keyboard, Qt::LeftButton, {}, grip);
    QMouseEvent move(QEvent::MouseMove, QPointF(grip + QPoint(30, 20)), QPointF(keyboard->mapToGlobal(grip + QPoint(30, 20))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(keyboard, &move);
    QTest::mouseRelease(keyboard, Qt::LeftButton, {}, grip + QPoint(30, 20));
    EXPECT_EQ(keyboard->pos(), start + QPoint(30, 20));
    EXPECT_EQ(focus(), dialog->transcriptionField());
}

} // namespace
