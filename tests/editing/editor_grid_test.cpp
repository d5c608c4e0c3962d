// The dictionary editor's grid: sorting, refusals, cut and paste, layouts,
// tips and the wheel (offscreen, over real files).
#include "EditorFixture.h"

namespace {

// The same fixture, in a suite of its own (a fixture of another translation
// unit is another class).
class EditorGridTest : public EditorTest {};
} // namespace
TEST_F(EditorGridTest, SortingByAHeaderChangesOnlyTheDisplay)
{
    writeDictionary({{"pear", "груша", ""}, {"apple", "яблоко", ""}, {"Zebra", "зебра", ""}, {"melon", "дыня", ""}});
    const auto before = TempDir::readBytes(dictPath());
    open();
    clickHeader(0);
    // Byte order: capitals before small letters.
    auto column = [&](int c) {
        QStringList texts;
        for (int r = 0; r < grid()->model()->rowCount(); ++r)
            texts << grid()->model()->index(r, c).data().toString();
        return texts;
    };
    EXPECT_EQ(column(0), (QStringList{"Zebra", "apple", "melon", "pear"}));
    clickHeader(0);
    EXPECT_EQ(column(0), (QStringList{"pear", "melon", "apple", "Zebra"}));
    EXPECT_EQ(TempDir::readBytes(dictPath()), before);

    // The third display row is "apple", the second record.
    doubleClickAt(displayCellCentre(2, 1));
    ASSERT_TRUE(grid()->isEditing());
    grid()->cellEditor()->setText(QString::fromUtf8("яблочко"));
    commit();
    EXPECT_EQ(fieldText(dictionaryOnDisk()[1].translation), cp1251("яблочко"));
    EXPECT_EQ(column(1).at(2), QString::fromUtf8("яблочко"));

    // Deleting the first display row ("pear") deletes the first record; the
    // table stays sorted after the refill.
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, displayCellCentre(0, 0));
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    const auto records = dictionaryOnDisk();
    EXPECT_EQ(records[0].deleted, 1);
    EXPECT_EQ(records[1].deleted, 0);
    EXPECT_EQ(column(0), (QStringList{"melon", "apple", "Zebra"}));

    // A renamed word stays where it is shown until a sort is asked for, in
    // the same order too (the table does not sort twice for one request,
    // but a changed column is sorted again).
    doubleClickAt(displayCellCentre(0, 0));
    ASSERT_TRUE(grid()->isEditing());
    grid()->cellEditor()->setText("aaa");
    commit();
    EXPECT_EQ(column(0), (QStringList{"aaa", "apple", "Zebra"}));
    grid()->sortByColumn(0, Qt::DescendingOrder);
    EXPECT_EQ(column(0), (QStringList{"apple", "aaa", "Zebra"}));
}

TEST_F(EditorGridTest, RowsWithEqualTextsKeepTheirFileOrderEitherWay)
{
    writeDictionary({{"b", "один", ""}, {"a", "два", ""}, {"b", "три", ""}, {"a", "четыре", ""}});
    open();
    auto translations = [&] {
        QStringList texts;
        for (int r = 0; r < grid()->model()->rowCount(); ++r)
            texts << grid()->model()->index(r, 1).data().toString();
        return texts.join(' ');
    };
    clickHeader(0);
    EXPECT_EQ(translations(), QString::fromUtf8("два четыре один три"));
    clickHeader(0);
    EXPECT_EQ(translations(), QString::fromUtf8("один три два четыре"));
}

TEST_F(EditorGridTest, TextsTheRecordCannotHoldAreRefusedWithTheReason)
{
    writeDictionary(kThree);
    open();
    const auto before = TempDir::readBytes(dictPath());

    // A Cyrillic letter in the cp1252 word column.
    click(0, 0);
    QTest::keyClick(grid(), 'c');
    ASSERT_TRUE(grid()->isEditing());
    QLineEdit* field = grid()->cellEditor();
    typeText(field, QString::fromUtf8("ж"));
    EXPECT_EQ(field->text(), "c");
    EXPECT_TRUE(editor->statusLine()->text().contains(QString::fromUtf8("ж"))) << editor->statusLine()->text().toStdString();
    press(field, Qt::Key_Escape);

    // The transcription holds 29 bytes: the 30th is refused.
    field = doubleClick(1, 2);
    ASSERT_NE(field, nullptr);
    field->selectAll();
    QTest::keyClicks(field, QString(29, QLatin1Char('a')));
    editor->statusLine()->clear();
    QTest::keyClicks(field, "b");
    EXPECT_EQ(field->text(), QString(29, QLatin1Char('a')));
    EXPECT_TRUE(editor->statusLine()->text().contains("29"));
    commit();
    EXPECT_EQ(fieldText(dictionaryOnDisk()[1].transcription), std::string(29, 'a'));

    // A pasted text too long for the word is refused for that cell, never cut.
    editor->statusLine()->clear();
    QApplication::clipboard()->setText(QString(80, QLatin1Char('w')));
    click(2, 0);
    press(grid(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(shown(2, 0), "house");
    EXPECT_EQ(fieldText(dictionaryOnDisk()[2].word), "house");
    EXPECT_FALSE(editor->statusLine()->text().isEmpty());
}

TEST_F(EditorGridTest, CutEmptiesTheEditableCellsAndPasteFillsFromTheFocusCell)
{
    writeDictionary(kThree);
    open();
    click(1, 1);
    press(grid(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("dog\tсобака\tdOg"));
    // The word may not be emptied; translation and transcription are.
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Ключевое слово не может быть пустой строкой"});
    auto records = dictionaryOnDisk();
    EXPECT_EQ(fieldText(records[1].word), "dog");
    EXPECT_EQ(fieldText(records[1].translation), "");
    EXPECT_EQ(fieldText(records[1].transcription), "");

    // Paste two rows of two cells from the translation of "cat" on.
    messages.clear();
    QApplication::clipboard()->setText(QString::fromUtf8("котик\tkIt\r\nщенок\tpap\r\n"));
    click(0, 1);
    press(grid(), Qt::Key_V, Qt::ControlModifier);
    records = dictionaryOnDisk();
    EXPECT_EQ(fieldText(records[0].translation), cp1251("котик"));
    EXPECT_EQ(fieldText(records[0].transcription), "kIt");
    EXPECT_EQ(fieldText(records[1].translation), cp1251("щенок"));
    EXPECT_EQ(fieldText(records[1].transcription), "pap");
    EXPECT_EQ(fieldText(records[2].translation), cp1251("дом"));
    EXPECT_TRUE(messages.shown.empty());

    // Ctrl+A selects every row; Ctrl+C copies them in display order.
    press(grid(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(grid()->selectedSourceRows(), (std::vector<int>{0, 1, 2}));
    press(grid(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text().count(QLatin1Char('\n')), 2);
}

TEST_F(EditorGridTest, EditingSwitchesToTheColumnsLayoutAndClosingReleasesWhatItLoaded)
{
    writeDictionary(kThree);
    open();
    EXPECT_EQ(editor->preloadedLayouts(), (std::vector<std::string>{"00000409", "00000419"}));

    doubleClick(0, 1);
    ASSERT_TRUE(grid()->isEditing());
    EXPECT_EQ(layouts.activeLanguage(), 0x419);
    press(grid()->cellEditor(), Qt::Key_Escape);

    doubleClick(0, 2);
    ASSERT_TRUE(grid()->isEditing());
    const LayoutHandle german = layouts.loadedHandle("00000407");
    ASSERT_NE(german, 0u);
    EXPECT_EQ(layouts.active(), german);
    press(grid()->cellEditor(), Qt::Key_Escape);
    EXPECT_EQ(layouts.active(), german); // stays after the edit

    doubleClick(0, 0);
    EXPECT_EQ(layouts.activeLanguage(), 0x409);
    press(grid()->cellEditor(), Qt::Key_Escape);

    layouts.calls.clear();
    QTest::mouseClick(editor->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(layouts.isLoaded(german));
    EXPECT_FALSE(layouts.preloadedUnloadAttempted);
    EXPECT_EQ(layouts.calls.front(), "previous");
    editor.reset(); // destruction unloads nothing more
    EXPECT_EQ(std::count(layouts.calls.begin(), layouts.calls.end(), "previous"), 1);
}

TEST_F(EditorGridTest, ADictionaryThatCannotBeOpenedIsReportedAndTheTableKeepsTheFilesTexts)
{
    writeDictionary(kThree);
    open();
    std::filesystem::remove(dictPath());

    QLineEdit* field = doubleClick(0, 0);
    ASSERT_NE(field, nullptr);
    field->setText("kitten");
    commit();
    ASSERT_EQ(messages.texts(), std::vector<std::string>{"Не удалось открыть файл словаря."});
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(shown(0, 0), "cat"); // what the file holds, so the row still finds its record
    EXPECT_FALSE(editor->cellsChanged());

    messages.clear();
    click(1, 0);
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    ASSERT_EQ(messages.texts().size(), 2u); // the question, then the failure
    EXPECT_EQ(messages.texts()[1], "Ошибка при открытии файла");
    EXPECT_EQ(model()->rowCount(), 3);
    EXPECT_FALSE(editor->rowsDeleted());
    EXPECT_FALSE(std::filesystem::exists(dictPath()));
}

TEST_F(EditorGridTest, ATextThatDoesNotFitItsCellShowsWholeInATip)
{
    writeDictionary({{"cat", "кошка", ""}});
    open();
    model()->setText(0, 2, std::string(29, 'W'));
    QHelpEvent fits(QEvent::ToolTip, cellCentre(0, 0), grid()->viewport()->mapToGlobal(cellCentre(0, 0)));
    QApplication::sendEvent(grid()->viewport(), &fits);
    EXPECT_FALSE(QToolTip::isVisible());
    QHelpEvent cut(QEvent::ToolTip, cellCentre(0, 2), grid()->viewport()->mapToGlobal(cellCentre(0, 2)));
    QApplication::sendEvent(grid()->viewport(), &cut);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_TRUE(QToolTip::text().contains(QString(29, QLatin1Char('W'))));
    QToolTip::hideText();
}

TEST_F(EditorGridTest, AWheelStepScrollsTheUsersNumberOfLines)
{
    std::vector<Word> many;
    std::vector<std::string> names;
    for (int i = 0; i < 200; ++i)
        names.push_back("word" + std::to_string(i));
    for (const std::string& name : names)
        many.push_back({name.c_str(), "слово", ""});
    writeDictionary(many);
    open();
    QApplication::setWheelScrollLines(5);
    const QPoint at = cellCentre(0, 1);
    QWheelEvent wheel(at, grid()->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid()->viewport(), &wheel);
    EXPECT_EQ(grid()->rowAt(0), 5);
    QApplication::setWheelScrollLines(3);
}


TEST_F(EditorGridTest, TheKeyboardAloneMovesEditsAndLeavesTheTable)
{
    writeDictionary(kThree);
    session.open(currentDictionaryPaths(settings));
    editor = std::make_unique<DictionaryEditor>(settings, layouts, messages, session);
    editor->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
    QApplication::setActiveWindow(editor.get());
    // The table has the focus from the start, with a focus cell to move.
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == grid(); }));
    EXPECT_EQ(grid()->focusPolicy(), Qt::StrongFocus);
    EXPECT_TRUE(grid()->currentIndex().isValid());

    // Down, Right, F2: the translation of the second word; type, Enter.
    press(grid(), Qt::Key_Down);
    press(grid(), Qt::Key_Right);
    press(grid(), Qt::Key_F2);
    ASSERT_TRUE(grid()->isEditing());
    grid()->cellEditor()->selectAll();
    typeText(grid()->cellEditor(), QString::fromUtf8("пёс"));
    commit();
    EXPECT_EQ(fieldText(dictionaryOnDisk()[1].translation), cp1251("пёс"));
    // Enter edits the transcription; Esc puts its text back.
    press(grid(), Qt::Key_Right);
    press(grid(), Qt::Key_Return);
    ASSERT_TRUE(grid()->isEditing());
    EXPECT_EQ(grid()->toSource(grid()->currentIndex()).column(), 2);
    press(grid()->cellEditor(), Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !grid()->isEditing(); }));

    // Tab leaves the table for the search field, the check box and the two
    // buttons, and comes back to the table.
    std::vector<QWidget*> chain;
    for (int i = 0; i < 5; ++i) {
        press(QApplication::focusWidget(), Qt::Key_Tab);
        chain.push_back(QApplication::focusWidget());
    }
    const std::vector<QWidget*> expected{editor->searchField(), editor->filterBox(), editor->deleteButton(),
                                         editor->closeButton(), grid()};
    EXPECT_EQ(chain, expected);
}

TEST_F(EditorGridTest, TheSearchJumpsToTheFirstWordBeginningWithItWhateverItsCaseAndFiltersOnAToggle)
{
    writeDictionary({{"Haus", "дом", ""}, {"apfel", "яблоко", ""}, {"hand", "рука", ""}, {"Hauptstadt", "столица", ""},
                     {"zug", "поезд", ""}, {"haus", "дом", ""}});
    open();
    QLineEdit* field = editor->searchField();
    auto focusWord = [&] { return grid()->currentIndex().sibling(grid()->currentIndex().row(), 0).data().toString(); };

    // Typed key by key: "h" finds three, "ha" "hand" first; "hau" the
    // capitalised "Hauptstadt", and "haus" both spellings.
    field->setFocus();
    QTest::keyClicks(field, "h");
    EXPECT_EQ(editor->searchResult()->text(), QString::fromUtf8("Найдено: 4"));
    EXPECT_EQ(focusWord(), "hand");
    QTest::keyClicks(field, "au");
    EXPECT_EQ(focusWord(), "Hauptstadt");
    QTest::keyClicks(field, "s");
    EXPECT_EQ(editor->searchResult()->text(), QString::fromUtf8("Найдено: 2"));
    EXPECT_TRUE(grid()->selectionModel()->isRowSelected(grid()->currentIndex().row(), {}));
    EXPECT_EQ(grid()->model()->rowCount(), 6); // jumping hides nothing

    // The toggle shows only the words found, in the table's order.
    editor->filterBox()->setChecked(true);
    ASSERT_EQ(grid()->model()->rowCount(), 2);
    EXPECT_EQ(grid()->model()->index(0, 0).data().toString(), "Haus");
    EXPECT_EQ(grid()->model()->index(1, 0).data().toString(), "haus");
    // A letter the word column cannot hold, or a prefix nobody has: none.
    QTest::keyClicks(field, "x");
    EXPECT_EQ(editor->searchResult()->text(), QString::fromUtf8("Не найдено"));
    EXPECT_EQ(grid()->model()->rowCount(), 0);
    field->setText(QString::fromUtf8("дом"));
    EXPECT_EQ(grid()->model()->rowCount(), 0);

    // A renamed word is found under its new name (the search order follows
    // edits), and a deletion keeps the filter.
    editor->filterBox()->setChecked(false);
    EXPECT_EQ(grid()->model()->rowCount(), 6);
    field->clear();
    click(4, 0);
    press(grid(), Qt::Key_F2);
    grid()->cellEditor()->setText("Hafen");
    commit();
    field->setText("haf");
    EXPECT_EQ(focusWord(), "Hafen");
    EXPECT_EQ(grid()->toSource(grid()->currentIndex()).row(), 4);
    field->setText("zu");
    EXPECT_EQ(editor->searchResult()->text(), QString::fromUtf8("Не найдено"));
    field->setText("ha");
    editor->filterBox()->setChecked(true);
    EXPECT_EQ(grid()->model()->rowCount(), 5);
    click(0, 0);
    press(grid(), Qt::Key_Delete); // asks; the fake answers Yes
    EXPECT_EQ(messages.shown.back().title, "Предупреждение");
    EXPECT_EQ(grid()->model()->rowCount(), 4);
    EXPECT_EQ(fieldText(dictionaryOnDisk()[0].word), "");

    // Enter in the field goes to the word found; Esc empties the field, then
    // shows every row again without closing the window.
    field->setFocus();
    press(field, Qt::Key_Escape);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(grid()->model()->rowCount(), 5);
    QTest::keyClicks(field, "ap");
    press(field, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), grid());
    EXPECT_EQ(focusWord(), "apfel");
}

TEST_F(EditorGridTest, TheWindowResizesRemembersItsSizeAndTheColumnsFitTheirTexts)
{
    const std::string longWord = "Schifffahrtsgesellschaft";
    writeDictionary({{"a", "б", ""}, {longWord.c_str(), "пароходство", ""}, {"x-Penta", "пента", ""}});
    open();
    EXPECT_LT(editor->minimumWidth(), editor->width());
    EXPECT_EQ(editor->maximumWidth(), QWIDGETSIZE_MAX);

    // Wide enough: no word cut, the empty transcription column no wider
    // than its header, the translation takes the rest.
    editor->resize(900, 500);
    ASSERT_TRUE(waitUntil([&] { return grid()->viewport()->width() > 700; }));
    const QFontMetrics words(model()->index(1, 0).data(Qt::FontRole).value<QFont>());
    EXPECT_GT(grid()->columnWidth(0), words.horizontalAdvance(QString::fromStdString(longWord)));
    EXPECT_LE(grid()->columnWidth(2), grid()->horizontalHeader()->sectionSizeHint(2));
    EXPECT_GE(grid()->columnWidth(1), grid()->columnWidth(0));
    EXPECT_EQ(grid()->columnWidth(0) + grid()->columnWidth(1) + grid()->columnWidth(2), grid()->viewport()->width());

    // A little short of room: the empty transcription column gives up part
    // of its header's width before a word is cut.
    const int word = grid()->columnWidth(0);
    const int header = grid()->horizontalHeader()->sectionSizeHint(2);
    const QFontMetrics translations(model()->index(1, 1).data(Qt::FontRole).value<QFont>());
    const int target = word + translations.horizontalAdvance(QString::fromUtf8("пароходство")) + 12 + header * 2 / 3;
    editor->resize(editor->width() - grid()->viewport()->width() + target, 500);
    ASSERT_TRUE(waitUntil([&] { return grid()->viewport()->width() == target; }));
    EXPECT_EQ(grid()->columnWidth(0), word);
    EXPECT_LT(grid()->columnWidth(2), header);
    EXPECT_GT(grid()->columnWidth(1), translations.horizontalAdvance(QString::fromUtf8("пароходство")));

    // Narrow: nothing spills over the table while room lasts.
    editor->resize(editor->minimumWidth(), 300);
    ASSERT_TRUE(waitUntil([&] { return grid()->viewport()->width() < 500; }));
    EXPECT_LE(grid()->columnWidth(0) + grid()->columnWidth(1) + grid()->columnWidth(2),
              std::max(grid()->viewport()->width(), grid()->horizontalHeader()->sectionSizeHint(0)
                                                        + grid()->horizontalHeader()->sectionSizeHint(1)
                                                        + grid()->horizontalHeader()->sectionSizeHint(2)));

    // Opened for the first time, the window is wide enough for the longest
    // word and its translation (three quarters of the 800-pixel screen are).
    editor = std::make_unique<DictionaryEditor>(settings, layouts, messages, session);
    editor->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
    EXPECT_GT(grid()->columnWidth(0), words.horizontalAdvance(QString::fromStdString(longWord)));

    // Closed at 700 × 450, opened again at that size.
    editor->resize(700, 450);
    QTest::mouseClick(editor->closeButton(), Qt::LeftButton);
    EXPECT_EQ(settings.uiEditorWidth(), 700);
    EXPECT_EQ(settings.uiEditorHeight(), 450);
    editor = std::make_unique<DictionaryEditor>(settings, layouts, messages, session);
    EXPECT_EQ(editor->size(), QSize(700, 450));
}

TEST_F(EditorGridTest, TheRefusalTextClearsWithTheNextEditOrDeletion)
{
    writeDictionary(kThree);
    open();
    auto refuse = [&] {
        click(0, 0);
        QTest::keyClick(grid(), 'c');
        typeText(grid()->cellEditor(), QString::fromUtf8("ж"));
        press(grid()->cellEditor(), Qt::Key_Escape);
        ASSERT_TRUE(waitUntil([&] { return !grid()->isEditing(); }));
        ASSERT_FALSE(editor->statusLine()->text().isEmpty());
    };
    refuse();
    click(1, 2);
    press(grid(), Qt::Key_Delete); // the transcription emptied
    EXPECT_TRUE(editor->statusLine()->text().isEmpty());
    refuse();
    click(2, 1);
    QTest::mouseClick(editor->deleteButton(), Qt::LeftButton);
    EXPECT_TRUE(editor->statusLine()->text().isEmpty());
    EXPECT_EQ(model()->rowCount(), 2);
}

TEST_F(EditorGridTest, TipsShowWhileTheWindowIsNotTheActiveOne)
{
    writeDictionary({{"cat", "кошка", ""}});
    open();
    model()->setText(0, 2, std::string(29, 'W'));
    // Another window active (as when a box or the sheet held the focus).
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_FALSE(editor->isActiveWindow());
    // The mouse comes to rest over the cut text: the tip comes.
    QTest::mouseMove(grid()->viewport(), cellCentre(0, 2) - QPoint(3, 0));
    QTest::mouseMove(grid()->viewport(), cellCentre(0, 2));
    EXPECT_TRUE(waitUntil([] { return QToolTip::isVisible(); }));
    EXPECT_TRUE(QToolTip::text().contains(QString(29, QLatin1Char('W'))));
    QToolTip::hideText();
}
