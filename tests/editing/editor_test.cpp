// Drives the real dictionary editor with keys and the mouse (offscreen), over
// real dictionary and list files, with fakes behind the layout and message
// ports.
#include "EditorFixture.h"

TEST_F(EditorTest, ShowsTheLiveRecordsInFileOrderInADialogWithoutDefaultButton)
{
    writeDictionary({{"cat", "кошка", "k&t"}, {"", nullptr, ""}, {"dog", "собака", "dOg"}});
    open();
    EXPECT_EQ(editor->windowTitle(), QString::fromUtf8("Mox! <> Редактирование"));
    EXPECT_FALSE(editor->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(editor->closeButton()->text(), QString::fromUtf8("Закрыть"));
    EXPECT_EQ(editor->deleteButton()->text(), QString::fromUtf8("Удалить\nвыделенные\nстроки"));
    EXPECT_FALSE(editor->closeButton()->isDefault());
    EXPECT_FALSE(editor->deleteButton()->isDefault());
    EXPECT_EQ(model()->headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("Слово"));
    EXPECT_EQ(model()->headerData(1, Qt::Horizontal).toString(), QString::fromUtf8("Перевод"));
    EXPECT_EQ(model()->headerData(2, Qt::Horizontal).toString(), QString::fromUtf8("Транскрипция"));
    bool helpKey = false;
    for (QShortcut* shortcut : editor->findChildren<QShortcut*>())
        helpKey = helpKey || shortcut->key() == QKeySequence(QKeySequence::HelpContents);
    EXPECT_TRUE(helpKey);

    ASSERT_EQ(model()->rowCount(), 2); // the tombstone is not shown
    EXPECT_EQ(shown(0, 0), "cat");
    EXPECT_EQ(shown(0, 1), QString::fromUtf8("кошка"));
    EXPECT_EQ(shown(1, 2), "dOg");
    // Every row as high as the header; the columns fill the table's width.
    EXPECT_EQ(grid()->rowHeight(0), grid()->rowHeight(1));
    EXPECT_GE(grid()->rowHeight(0), grid()->headerHeight());
    EXPECT_GT(grid()->columnWidth(1), grid()->columnWidth(0));
    EXPECT_LE(grid()->columnWidth(0) + grid()->columnWidth(1) + grid()->columnWidth(2), grid()->viewport()->width());

    // Enter in the table opens the focus cell's edit field and presses no
    // button; Esc closes with 2, "Закрыть" with 1.
    click(0, 0);
    press(grid(), Qt::Key_Return);
    EXPECT_TRUE(editor->isVisible());
    ASSERT_TRUE(grid()->isEditing());
    press(grid()->cellEditor(), Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !grid()->isEditing(); }));
    EXPECT_TRUE(editor->isVisible());
    press(grid(), Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(editor->result(), DictionaryEditor::kEscaped);
    editor->show();
    QTest::mouseClick(editor->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(editor->result(), DictionaryEditor::kClosed);
    EXPECT_FALSE(editor->cellsChanged());
    EXPECT_FALSE(editor->rowsDeleted());
}

TEST_F(EditorTest, AMissingOrUnreadableDictionaryShowsAnEmptyTable)
{
    open();
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(EditorTest, EditsByDoubleClickAndByTypingAreWrittenInPlaceAndEscWritesNothing)
{
    writeDictionary(kThree);
    const auto before = TempDir::readBytes(dictPath());
    open();

    // Double click, new text, Enter: the translation of the second record.
    QLineEdit* field = doubleClick(1, 1);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), QString::fromUtf8("собака"));
    field->selectAll();
    typeText(field, QString::fromUtf8("пёс"));
    commit();
    auto records = dictionaryOnDisk();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(fieldText(records[1].translation), cp1251("пёс"));
    EXPECT_TRUE(editor->cellsChanged());
    // Nothing else of the file changed.
    auto after = TempDir::readBytes(dictPath());
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        const bool translationOfRecord1 = i >= 208 + 81 && i < 208 + 161;
        EXPECT_TRUE(translationOfRecord1 || after[i] == before[i]) << "byte " << i;
    }

    // A typed character replaces the whole text and opens the field.
    click(2, 0);
    QTest::keyClick(grid(), 'H');
    ASSERT_TRUE(grid()->isEditing());
    EXPECT_TRUE(grid()->editBegunByTyping());
    QTest::keyClicks(grid()->cellEditor(), "ome");
    commit();
    EXPECT_EQ(fieldText(dictionaryOnDisk()[2].word), "Home");
    EXPECT_EQ(shown(2, 0), "Home");

    // Esc puts the old text back and writes nothing.
    const auto beforeEsc = TempDir::readBytes(dictPath());
    field = doubleClick(0, 2);
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, "zzz");
    press(field, Qt::Key_Escape);
    EXPECT_FALSE(grid()->isEditing());
    EXPECT_TRUE(editor->isVisible()); // Esc ended the edit, not the dialog
    EXPECT_EQ(shown(0, 2), "k&t");
    EXPECT_EQ(TempDir::readBytes(dictPath()), beforeEsc);

    // An arrow key ends an edit begun by typing (keeping the text) and moves on.
    click(0, 1);
    QTest::keyClick(grid(), 'x');
    ASSERT_TRUE(grid()->isEditing());
    press(grid()->cellEditor(), Qt::Key_Down);
    EXPECT_FALSE(grid()->isEditing());
    EXPECT_EQ(fieldText(dictionaryOnDisk()[0].translation), "x");
    EXPECT_EQ(grid()->toSource(grid()->currentIndex()).row(), 1);
    // In an edit begun by a double click the arrows move within the text.
    field = doubleClick(2, 1);
    ASSERT_NE(field, nullptr);
    press(field, Qt::Key_Left);
    EXPECT_TRUE(grid()->isEditing());
    press(field, Qt::Key_Tab); // Tab keeps the text and ends the edit
    EXPECT_FALSE(grid()->isEditing());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(EditorTest, AnEmptiedWordIsRefusedWhileOtherColumnsMayBeEmptied)
{
    writeDictionary(kThree);
    open();
    const auto before = TempDir::readBytes(dictPath());

    // Delete in the word column asks to delete the row (no word may be
    // empty); "No" keeps it.
    click(1, 0);
    messages.answers.push_back(MessageAnswer::No);
    press(grid(), Qt::Key_Delete);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Предупреждение");
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(shown(1, 0), "dog");
    EXPECT_EQ(TempDir::readBytes(dictPath()), before);

    // Emptied in the edit field: the message, and the word comes back.
    messages.clear();
    QLineEdit* field = doubleClick(2, 0);
    ASSERT_NE(field, nullptr);
    field->clear();
    commit();
    ASSERT_EQ(messages.texts(), std::vector<std::string>{"Ключевое слово не может быть пустой строкой"});
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
    EXPECT_EQ(shown(2, 0), "house");
    EXPECT_EQ(TempDir::readBytes(dictPath()), before);

    // Delete in the translation and transcription columns writes empty texts.
    messages.clear();
    click(1, 1);
    press(grid(), Qt::Key_Delete);
    click(1, 2);
    press(grid(), Qt::Key_Delete);
    EXPECT_TRUE(messages.shown.empty());
    const auto records = dictionaryOnDisk();
    EXPECT_EQ(fieldText(records[1].translation), "");
    EXPECT_EQ(fieldText(records[1].transcription), "");
    EXPECT_EQ(fieldText(records[1].word), "dog");
    EXPECT_TRUE(editor->cellsChanged());
}

TEST_F(EditorTest, OfTwoRecordsWithOneWordEditsAndDeletionsReachTheFirst)
{
    writeDictionary({{"cat", "кот", ""}, {"dog", "собака", ""}, {"cat", "кошка", ""}});
    open();
    ASSERT_EQ(model()->rowCount(), 3);

    // Editing the second "cat" row changes the first record.
    QLineEdit* field = doubleClick(2, 1);
    ASSERT_NE(field, nullptr);
    field->setText(QString::fromUtf8("котик"));
    commit();
    auto records = dictionaryOnDisk();
    EXPECT_EQ(fieldText(records[0].translation), cp1251("котик"));
    EXPECT_EQ(fieldText(records[2].translation), cp1251("кошка"));

    // Both "cat" rows selected and deleted: only the first record goes.
    click(0, 0);
    click(2, 0, Qt::ControlModifier);
    EXPECT_EQ(grid()->selectedSourceRows(), (std::vector<int>{0, 2}));
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    records = dictionaryOnDisk();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].deleted, 1);
    EXPECT_EQ(records[2].deleted, 0);
    ASSERT_EQ(model()->rowCount(), 2);
    EXPECT_EQ(shown(0, 0), "dog");
    EXPECT_EQ(shown(1, 0), "cat");
    EXPECT_EQ(shown(1, 1), QString::fromUtf8("кошка"));
    EXPECT_TRUE(editor->rowsDeleted());
}

TEST_F(EditorTest, DeletingRowsWritesTombstonesInPlaceAndTakesTheWordsOffTheList)
{
    writeDictionary({{"cat", "кошка", "", true}, {"dog", "собака", ""}, {"house", "дом", "", true},
                     {"tree", "дерево", ""}});
    const auto size = std::filesystem::file_size(dictPath());
    open();

    // Nothing selected: the message titled "Сообщение".
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Не выделены строки.\n");
    EXPECT_EQ(messages.shown[0].title, "Сообщение");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);

    // "No" to the question deletes nothing.
    messages.clear();
    click(0, 1);
    click(2, 1, Qt::ControlModifier);
    click(1, 0, Qt::ControlModifier);
    messages.answers.push_back(MessageAnswer::No);
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Отменить изменения после удаления будет невозможно. Продолжить?\n");
    EXPECT_EQ(messages.shown[0].title, "Предупреждение");
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(model()->rowCount(), 4);
    EXPECT_FALSE(editor->rowsDeleted());

    // "Yes": three tombstones, the file keeps its size, the list loses both
    // of its words and is saved.
    messages.clear();
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    const auto records = dictionaryOnDisk();
    EXPECT_EQ(std::filesystem::file_size(dictPath()), size);
    const DictRecord tombstone = makeTombstone();
    for (int i : {0, 1, 2})
        EXPECT_EQ(std::memcmp(&records[static_cast<std::size_t>(i)], &tombstone, sizeof tombstone), 0) << i;
    EXPECT_EQ(fieldText(records[3].word), "tree");
    EXPECT_TRUE(session.list().empty());
    EXPECT_TRUE(listOnDisk().empty());
    EXPECT_TRUE(std::filesystem::exists(listPath()));
    ASSERT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(shown(0, 0), "tree");
    EXPECT_TRUE(editor->rowsDeleted());
    EXPECT_FALSE(editor->cellsChanged());

    // Every row deleted: no row is left.
    click(0, 0);
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_EQ(DictItemCount(settings.dictionaryPath(), messages), 0u);
}

TEST_F(EditorTest, RenamingAListedWordRenamesItInTheWorkingListAndItsFile)
{
    writeDictionary({{"cat", "кошка", "", true}, {"dog", "собака", "", true}});
    open();
    QLineEdit* field = doubleClick(0, 0);
    ASSERT_NE(field, nullptr);
    field->setText("kitten");
    commit();
    ASSERT_EQ(session.list().size(), 2u);
    EXPECT_EQ(fieldText(session.list()[0].word), "kitten");
    EXPECT_EQ(session.list()[0].answers, 7); // the counters stay
    const auto onDisk = listOnDisk();
    ASSERT_EQ(onDisk.size(), 2u);
    EXPECT_EQ(fieldText(onDisk[0].word), "kitten");
    EXPECT_EQ(onDisk[0].streak, 2);
    EXPECT_EQ(fieldText(onDisk[1].word), "dog");

    // The translation of the renamed word is found by its new name.
    field = doubleClick(0, 1);
    ASSERT_NE(field, nullptr);
    field->setText(QString::fromUtf8("котёнок"));
    commit();
    EXPECT_EQ(fieldText(dictionaryOnDisk()[0].translation), cp1251("котёнок"));
    EXPECT_EQ(fieldText(listOnDisk()[0].translation), cp1251("котёнок"));
}

TEST_F(EditorTest, TheListFileIsKeptInStepWithRenamesAndDeletions)
{
    writeDictionary({{"cat", "кошка", "", true}, {"dog", "собака", "", true}});
    open();
    QLineEdit* field = doubleClick(1, 0);
    ASSERT_NE(field, nullptr);
    field->setText("hound");
    commit();
    auto onDisk = listOnDisk();
    ASSERT_EQ(onDisk.size(), 2u);
    EXPECT_EQ(fieldText(onDisk[1].word), "hound");
    EXPECT_EQ(onDisk[1].answers, 7);

    click(0, 0);
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    onDisk = listOnDisk();
    ASSERT_EQ(onDisk.size(), 1u);
    EXPECT_EQ(fieldText(onDisk[0].word), "hound");
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
