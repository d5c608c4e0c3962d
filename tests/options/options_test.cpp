// The options sheet and its General and Results pages, driven through their
// real widgets (offscreen) over a real settings file, a real autostart folder
// and real dictionary and list files.
#include "OptionsFixture.h"

#include <QBarCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QPieSeries>
#include <QPieSlice>

#include <cstring>

#include "language/CharsetCodec.h"
#include "store/DictRecord.h"
#include "store/ListRecord.h"
#include "store/RecordText.h"

using namespace mox;

namespace {

TEST_F(OptionsTest, TheSheetHasItsTitlePagesButtonsAndTakesTheDictionariesPageFromItsHook)
{
    auto sheet = openSheet();
    EXPECT_EQ(sheet->windowTitle(), "Mox! <> Настройки");
    auto* tabs = child<QTabWidget>(sheet.get(), "pages");
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i)
        captions << tabs->tabText(i);
    EXPECT_EQ(captions, (QStringList{"Общие", "Методика", "Языки/Шрифты", "Результаты"}));
    EXPECT_EQ(child<QPushButton>(sheet.get(), "ok")->text(), "ОК");
    EXPECT_EQ(child<QPushButton>(sheet.get(), "cancel")->text(), "Отмена");
    EXPECT_EQ(child<QPushButton>(sheet.get(), "apply")->text(), "Применить");
    EXPECT_EQ(child<QPushButton>(sheet.get(), "help")->text(), "Справка");
    sheet.reset();

    // The Dictionaries page comes from its subsystem and sits at index 2.
    struct Dictionaries final : OptionsPage {
        using OptionsPage::OptionsPage;
        QString tabCaption() const override { return "Словари"; }
        QString helpTopic() const override { return "::/html_files/optdict.html>main"; }
        bool confirm() override { return true; }
    };
    QWidget* hookParent = nullptr;
    sheet = openSheet(General, [&](QWidget* parent) {
        hookParent = parent;
        return new Dictionaries(parent);
    });
    tabs = child<QTabWidget>(sheet.get(), "pages");
    ASSERT_EQ(tabs->count(), 5);
    EXPECT_EQ(tabs->tabText(2), "Словари");
    EXPECT_EQ(tabs->tabText(3), "Языки/Шрифты");
    EXPECT_NE(hookParent, nullptr);
}

TEST_F(OptionsTest, ARefusedNumberKeepsTheSheetOpenOnItsPage)
{
    auto sheet = openSheet(Method);
    auto* list = child<SpinEdit>(sheet.get(), "listSize");
    typeInto(list, "1001");
    sheet->setCurrentPage(Results);
    pressOk(*sheet);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Please enter an integer between 1 and 1000."});
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->currentPage(), sheet->pages()[Method]);
    EXPECT_EQ(settings.iSubSetRecCount(), 30);

    // A number beyond the arrows' range but accepted stays as typed.
    typeInto(list, "500");
    messages.clear();
    typeInto(child<SpinEdit>(sheet.get(), "excludeAfter"), "-");
    pressOk(*sheet);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Please enter an integer."});
    EXPECT_TRUE(sheet->isVisible());
    // A count the setting cannot hold is refused rather than cut.
    messages.clear();
    typeInto(child<SpinEdit>(sheet.get(), "excludeAfter"), "-5");
    pressOk(*sheet);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Please enter an integer between 1 and 65535."});
    EXPECT_EQ(settings.iExcludeAfter(), 3);
    // So is 0 (a word would leave the list at its first answer) and a count
    // beyond 16 bits.
    for (const char* count : {"0", "65536"}) {
        messages.clear();
        typeInto(child<SpinEdit>(sheet.get(), "excludeAfter"), count);
        pressOk(*sheet);
        EXPECT_EQ(messages.texts(), std::vector<std::string>{"Please enter an integer between 1 and 65535."}) << count;
        EXPECT_TRUE(sheet->isVisible());
    }

    // The General page's minutes: digits only, and a number at all.
    typeInto(child<SpinEdit>(sheet.get(), "excludeAfter"), "4");
    sheet->setCurrentPage(General);
    auto* interval = child<QLineEdit>(sheet.get(), "interval");
    typeInto(interval, "1x");
    EXPECT_EQ(interval->text(), "1");
    typeInto(interval, "");
    sheet->setCurrentPage(Method);
    messages.clear();
    pressOk(*sheet);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Please enter a positive integer."});
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->currentPage(), sheet->pages()[General]);

    typeInto(interval, "7");
    messages.clear();
    pressOk(*sheet);
    EXPECT_TRUE(messages.texts().empty());
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(settings.iSubSetRecCount(), 500);
    EXPECT_EQ(settings.iExcludeAfter(), 4);
    EXPECT_EQ(settings.uiTimer(), 7u * 60000);
}

TEST_F(OptionsTest, MinutesOutsideOneTo719GiveOneMinuteShownNextTime)
{
    for (const char* minutes : {"0", "720", "99999"}) {
        auto sheet = openSheet(General);
        auto* interval = child<QLineEdit>(sheet.get(), "interval");
        typeInto(interval, minutes);
        pressOk(*sheet);
        EXPECT_EQ(settings.uiTimer(), 60000u) << minutes;
        sheet = openSheet(General);
        EXPECT_EQ(child<QLineEdit>(sheet.get(), "interval")->text(), "1");
    }
    auto sheet = openSheet(General);
    typeInto(child<QLineEdit>(sheet.get(), "interval"), "719");
    pressOk(*sheet);
    EXPECT_EQ(settings.uiTimer(), 719u * 60000);

    // The interval is open only while "Автопоказ" is checked.
    sheet = openSheet(General);
    auto* interval = child<QLineEdit>(sheet.get(), "interval");
    EXPECT_TRUE(interval->isEnabled());
    click(child<QCheckBox>(sheet.get(), "autoShow"));
    EXPECT_FALSE(interval->isEnabled());
    EXPECT_FALSE(child<QCheckBox>(sheet.get(), "saveMoxPos")->isVisibleTo(sheet.get()));
    EXPECT_EQ(child<QCheckBox>(sheet.get(), "autoLoad")->text(), "Автозагрузка Mox! ");
}

TEST_F(OptionsTest, TheAutostartEntryFollowsTheGeneralPageWhenEitherSwitchChanged)
{
    ASSERT_EQ(settings.startupFolder(), (config / "autostart").string());
    const std::string entry = autostartFile();

    auto sheet = openSheet(General);
    click(child<QCheckBox>(sheet.get(), "autoLoad"));
    pressOk(*sheet);
    ASSERT_TRUE(fs::exists(entry));
    EXPECT_TRUE(settings.bAutoLoad());
    const std::string text = fileText(entry);
    EXPECT_NE(text.find("Exec=" + dir.str() + "/Mox\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Path=" + dir.str() + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Name=Mox!\n"), std::string::npos);
    EXPECT_NE(text.find("Comment=Mox!\n"), std::string::npos);
    EXPECT_NE(text.find("Icon=mox\n"), std::string::npos);
    EXPECT_NE(text.find("Type=Application\n"), std::string::npos);
    // Nothing but the entry is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(config / "autostart"), fs::directory_iterator()), 1);

    // Confirming again without a change leaves the entry alone (it was
    // removed behind the sheet's back and stays so).
    fs::remove(entry);
    sheet = openSheet(General);
    pressOk(*sheet);
    EXPECT_FALSE(fs::exists(entry));

    // Changing only "Автопоказ" writes it again.
    sheet = openSheet(General);
    click(child<QCheckBox>(sheet.get(), "autoShow"));
    pressOk(*sheet);
    EXPECT_TRUE(fs::exists(entry));
    EXPECT_FALSE(settings.bAutoShow());

    // Off: removed; off again with no entry: silence.
    sheet = openSheet(General);
    click(child<QCheckBox>(sheet.get(), "autoLoad"));
    pressOk(*sheet);
    EXPECT_FALSE(fs::exists(entry));
    sheet = openSheet(General);
    click(child<QCheckBox>(sheet.get(), "autoShow"));
    pressOk(*sheet);
    EXPECT_TRUE(messages.texts().empty());
    EXPECT_TRUE(settings.bAutoShow());
}

TEST_F(OptionsTest, ApplyIsOpenWhileADisplayedPageIsModified)
{
    auto sheet = openSheet(General);
    QPushButton* apply = sheet->applyButton();
    EXPECT_FALSE(apply->isEnabled());
    // The Results box is no modification.
    sheet->setCurrentPage(Results);
    click(child<QCheckBox>(sheet.get(), "showStat"));
    EXPECT_FALSE(apply->isEnabled());

    sheet->setCurrentPage(General);
    QTest::keyClicks(child<QLineEdit>(sheet.get(), "interval"), "0");  // 5 -> 50
    EXPECT_TRUE(apply->isEnabled());
    click(apply);
    EXPECT_FALSE(apply->isEnabled());
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(settings.uiTimer(), 50u * 60000);
    EXPECT_TRUE(settings.bShowStatCurItem());  // Apply confirms every displayed page

    sheet->setCurrentPage(Method);
    EXPECT_FALSE(apply->isEnabled());
    click(child<QCheckBox>(sheet.get(), "matchCase"));
    EXPECT_TRUE(apply->isEnabled());
}

TEST_F(OptionsTest, OnlyDisplayedPagesAreConfirmedAndTheyStoreOnlyWhatTheUserChanged)
{
    auto sheet = openSheet(General);
    // Changed elsewhere after the pages took their copies.
    settings.setIExcludeAfter(7);
    settings.setBShowStatCurItem(1);
    settings.setUiTimer(9 * 60000);
    pressOk(*sheet);
    EXPECT_EQ(settings.iExcludeAfter(), 7);        // Method never shown
    EXPECT_TRUE(settings.bShowStatCurItem());     // Results never shown
    EXPECT_EQ(settings.uiTimer(), 9u * 60000);     // General shown, its interval untouched

    sheet = openSheet(General);
    settings.setIExcludeAfter(3);
    settings.setBAutoShow(false);   // as the automatic showing does when the list runs empty
    sheet->setCurrentPage(Method);
    EXPECT_EQ(text(child<SpinEdit>(sheet.get(), "excludeAfter")), "7");
    sheet->setCurrentPage(Results);
    pressOk(*sheet);
    EXPECT_EQ(settings.iExcludeAfter(), 3);
    EXPECT_FALSE(settings.bAutoShow());
    EXPECT_TRUE(settings.bShowStatCurItem());
}

TEST_F(OptionsTest, AnEmptyIntervalWithoutAutomaticShowingKeepsTheStoredOne)
{
    settings.setUiTimer(7 * 60000);
    auto sheet = openSheet(General);
    auto* interval = child<QLineEdit>(sheet.get(), "interval");
    typeInto(interval, "");
    click(child<QCheckBox>(sheet.get(), "autoShow"));
    EXPECT_FALSE(interval->isEnabled());
    pressOk(*sheet);
    EXPECT_TRUE(messages.texts().empty());
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(settings.uiTimer(), 7u * 60000);
    EXPECT_FALSE(settings.bAutoShow());

    // Turned on again, the field shows the kept interval.
    sheet = openSheet(General);
    EXPECT_EQ(child<QLineEdit>(sheet.get(), "interval")->text(), "7");
}

TEST_F(OptionsTest, TheSettingsAreWrittenHoweverTheSheetCloses)
{
    const QString file = registry.fileName();
    auto storedTimer = [&] {
        return QSettings(file, QSettings::IniFormat).value("General/uiTimer").toUInt();
    };

    // Cancel: the pages give nothing, the tray's change is written.
    {
        auto sheet = openSheet(General);
        typeInto(child<QLineEdit>(sheet.get(), "interval"), "42");
        settings.setBAutoShow(0);
        click(child<QPushButton>(sheet.get(), "cancel"));
        EXPECT_FALSE(sheet->isVisible());
    }
    EXPECT_EQ(storedTimer(), 5u * 60000);
    EXPECT_EQ(QSettings(file, QSettings::IniFormat).value("General/bAutoShow").toUInt(), 0u);

    // Esc on a modal run, and the close box.
    settings.setUiTimer(6 * 60000);
    {
        CSheetOptions sheet(settings, registry);
        QTimer::singleShot(0, [&] {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&sheet));
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &sheet, Qt::Key_Escape);
        });
        sheet.exec();
    }
    EXPECT_EQ(storedTimer(), 6u * 60000);
    settings.setUiTimer(8 * 60000);
    {
        auto sheet = openSheet(Method);
        sheet->close();
        EXPECT_FALSE(sheet->isVisible());
    }
    EXPECT_EQ(storedTimer(), 8u * 60000);
}

TEST_F(OptionsTest, F1OpensThePageTopicButNoneOnResults)
{
    auto sheet = openSheet(General);
    for (int page : {General, Method, Fonts, Results}) {
        sheet->setCurrentPage(page);
        QTest::keyClick(sheet.get(), Qt::Key_F1);
    }
    // Results has no topic: its "Справка" is disabled and does nothing.
    QPushButton* help = child<QPushButton>(sheet.get(), "help");
    EXPECT_FALSE(help->isEnabled());
    click(help);
    sheet->setCurrentPage(Method);
    EXPECT_TRUE(help->isEnabled());
    click(child<QPushButton>(sheet.get(), "help"));
    EXPECT_EQ(topics, (QStringList{"::/html_files/optgen.html>main", "::/html_files/optmetod.html>main",
                                   "::/html_files/optfont.html>main", "::/html_files/optmetod.html>main"}));
}

struct ResultsWord {
    QString word;
    int active, inList;
    int wrong[3];
};

// Writes a dictionary and its list (cp1252 words), followed by a tombstone,
// and makes them current.
void writeResultsDictionary(Settings& settings, const std::string& name, const std::vector<ResultsWord>& words)
{
    settings.setSCurDict(name + ".dct");
    settings.setSCurList(name + ".lst");
    const CharsetCodec codec(0);
    std::ofstream dct(settings.dictionaryPath(), std::ios::binary);
    std::ofstream lst(settings.listPath(), std::ios::binary);
    for (const ResultsWord& w : words) {
        DictRecord r;
        setFieldText(r.word, codec.encode(w.word).bytes);
        r.active = static_cast<std::uint8_t>(w.active);
        r.inList = static_cast<std::uint8_t>(w.inList);
        dct.write(reinterpret_cast<const char*>(&r), sizeof r);
        if (w.inList) {
            ListRecord l;
            std::memcpy(l.word, r.word, sizeof l.word);
            l.choiceDirectWrong = static_cast<std::uint16_t>(w.wrong[0]);
            l.choiceReverseWrong = static_cast<std::uint16_t>(w.wrong[1]);
            l.typingReverseWrong = static_cast<std::uint16_t>(w.wrong[2]);
            lst.write(reinterpret_cast<const char*>(&l), sizeof l);
        }
    }
    const DictRecord tombstone = makeTombstone();
    dct.write(reinterpret_cast<const char*>(&tombstone), sizeof tombstone);
}

QStringList sliceLabels(QChart* chart)
{
    QStringList slices;
    if (chart->series().size() == 1)
        for (QPieSlice* slice : static_cast<QPieSeries*>(chart->series()[0])->slices())
            slices << slice->label();
    return slices;
}

// The Results page over a real dictionary and list: 9 live words, of which
// 2 are learnt, 4 in the list and 3 waiting, and a tombstone.
TEST_F(OptionsTest, TheResultsPageDrawsTheDictionaryAndTheMostWrongWords)
{
    settings.setIForeignCharSet(0);  // cp1252
    const std::vector<ResultsWord> words = {
        {"café", 1, 1, {2, 1, 0}}, {"dog", 1, 1, {0, 0, 0}}, {"tree", 1, 1, {0, 0, 5}},
        {"sun", 1, 1, {1, 0, 0}},  {"old", 0, 0, {}},        {"gone", 0, 0, {}},
        {"new", 1, 0, {}},         {"next", 1, 0, {}},       {"last", 1, 0, {}},
    };
    writeResultsDictionary(settings, "words", words);

    auto sheet = openSheet(Results);
    auto* page = static_cast<CPgResults*>(sheet->pages()[Results]);
    EXPECT_EQ(page->progress().learnt, 2u);
    EXPECT_EQ(page->progress().inList, 4u);
    EXPECT_EQ(page->progress().waiting, 3u);
    EXPECT_EQ(child<QLabel>(sheet.get(), "dictionaryState")->text(), "Словарь «words.dct»: слов 9.");

    QChartView* progressView = child<QChartView>(sheet.get(), "progressChart");
    ASSERT_NE(progressView, nullptr) << "the charts module did not load";
    EXPECT_EQ(sliceLabels(progressView->chart()), (QStringList{"Выучено: 2", "В списке: 4", "Ждут очереди: 3"}));

    // Most wrong on top (the axis lists bottom-up); "dog" has none.
    QChart* wrong = child<QChartView>(sheet.get(), "mostWrongChart")->chart();
    auto* axis = static_cast<QBarCategoryAxis*>(wrong->axes(Qt::Vertical).value(0));
    ASSERT_NE(axis, nullptr);
    EXPECT_EQ(axis->categories(), (QStringList{"sun", "café", "tree"}));
}

// Another dictionary chosen while the sheet is open (the Dictionaries page
// confirmed it): the Results page shows that one when it is shown again. A
// part without words gets no slice.
TEST_F(OptionsTest, TheResultsPageFollowsADictionaryChosenInTheSameSheet)
{
    settings.setIForeignCharSet(0);
    writeResultsDictionary(settings, "first", {{"one", 0, 0, {}}, {"two", 1, 1, {1, 0, 0}}, {"three", 1, 0, {}}});
    writeResultsDictionary(settings, "second", {{"sun", 1, 1, {0, 0, 0}}, {"moon", 1, 1, {0, 2, 0}}});
    settings.setSCurDict("first.dct");
    settings.setSCurList("first.lst");
    auto sheet = openSheet(Results);
    EXPECT_EQ(child<QLabel>(sheet.get(), "dictionaryState")->text(), "Словарь «first.dct»: слов 3.");
    QChartView* view = child<QChartView>(sheet.get(), "progressChart");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(sliceLabels(view->chart()), (QStringList{"Выучено: 1", "В списке: 1", "Ждут очереди: 1"}));

    sheet->setCurrentPage(General);
    settings.setSCurDict("second.dct");
    settings.setSCurList("second.lst");
    sheet->setCurrentPage(Results);
    EXPECT_EQ(child<QLabel>(sheet.get(), "dictionaryState")->text(), "Словарь «second.dct»: слов 2.");
    view = child<QChartView>(sheet.get(), "progressChart");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(sliceLabels(view->chart()), (QStringList{"В списке: 2"}));
    const auto views = sheet->findChildren<QChartView*>(QStringLiteral("progressChart"));
    EXPECT_EQ(views.size(), 1) << "the old picture is gone";
    auto* axis =
        static_cast<QBarCategoryAxis*>(child<QChartView>(sheet.get(), "mostWrongChart")->chart()->axes(Qt::Vertical).value(0));
    ASSERT_NE(axis, nullptr);
    EXPECT_EQ(axis->categories(), (QStringList{"moon"}));
}

TEST_F(OptionsTest, TheResultsPageSaysSoWhenThereIsNoDictionary)
{
    settings.setSCurDict("");
    auto sheet = openSheet(Results);
    EXPECT_EQ(child<QLabel>(sheet.get(), "dictionaryState")->text(), "Нет словаря: текущий словарь не выбран.");
    EXPECT_EQ(sheet->findChild<QChartView*>(QStringLiteral("progressChart")), nullptr) << "no picture of nothing";
    sheet.reset();

    settings.setSCurDict("missing.dct");
    sheet = openSheet(Results);
    EXPECT_EQ(child<QLabel>(sheet.get(), "dictionaryState")->text(),
              "Нет словаря: файл «missing.dct» не найден или не читается.");
    EXPECT_TRUE(messages.texts().empty());
}

} // namespace

int main(int argc, char** argv)
{
    // A private configuration folder, set before Qt computes its paths.
    static TempDir config;
    ::setenv("XDG_CONFIG_HOME", (config.str() + "/config").c_str(), 1);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
