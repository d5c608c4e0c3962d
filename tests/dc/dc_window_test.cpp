// The module's window offscreen: a file loaded into the preview, columns,
// header and languages chosen with the mouse and keyboard, the dictionary
// made, the report shown; an existing dictionary only replaced when the
// user says so.
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QUrl>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include "DcFixture.h"
#include "DcWindow.h"
#include "platform/fake/RecordingMessages.h"

using namespace mox;
using namespace mox::dc;

namespace {

void choose(QComboBox* box, const QString& text)
{
    const int at = box->findText(text, Qt::MatchStartsWith);
    ASSERT_GE(at, 0) << text.toStdString();
    box->setFocus();
    // Home, then Down to the item: the way a keyboard user picks it.
    QTest::keyClick(box, Qt::Key_Home);
    for (int i = 0; i < at; ++i)
        QTest::keyClick(box, Qt::Key_Down);
    ASSERT_EQ(box->currentIndex(), at);
}

} // namespace

TEST_F(DcFixture, WindowImportsAPreviewedFileWithTheChosenColumns)
{
    write(path("Deutsch.csv"), "Artikel,Wort,Übersetzung,IPA\n"
                               "die,Katze,\"кошка, кот\",ˈkat͡sə\n"
                               "der,Hund,собака,hʊnt\n"
                               "das,Haus,дом,haʊ̯s\n");
    RecordingMessages messages;
    DcWindow window(settings, messages);
    window.show();
    EXPECT_EQ(window.windowTitle(), "Mox! <> Создание словаря");
    EXPECT_FALSE(window.importButton()->isEnabled());

    ASSERT_TRUE(window.openFile(QString::fromStdString(path("Deutsch.csv"))));
    EXPECT_EQ(window.importNameEdit()->text(), "Deutsch");
    auto* model = window.preview()->model();
    ASSERT_EQ(model->rowCount(), 4);
    ASSERT_EQ(model->columnCount(), 4);
    EXPECT_EQ(model->index(1, 2).data().toString(), "кошка, кот");

    QTest::mouseClick(window.headerBox(), Qt::LeftButton, {}, QPoint(8, window.headerBox()->height() / 2));
    ASSERT_TRUE(window.headerBox()->isChecked());
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "2: Wort");
    EXPECT_EQ(window.preview()->verticalHeader()->model()->headerData(0, Qt::Vertical).toString(), "2");

    choose(window.wordColumnBox(), "2: Wort");
    choose(window.translationColumnBox(), "3: Übersetzung");
    choose(window.transcriptionColumnBox(), "нет");
    choose(window.foreignLanguageBox(), "Немецкий");
    choose(window.nativeLanguageBox(), "Русский");
    ASSERT_TRUE(window.importButton()->isEnabled());
    // Enter in the name field makes the dictionary (it never opens the file chooser).
    window.importNameEdit()->setFocus();
    QTest::keyClick(window.importNameEdit(), Qt::Key_Return);

    const auto r = records(dict("Deutsch.dct"));
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(fieldText(r[0].word), "Katze");
    EXPECT_EQ(fieldText(r[0].translation), "\xEA\xEE\xF8\xEA\xE0, \xEA\xEE\xF2");
    EXPECT_EQ(fieldText(r[0].transcription), "");
    EXPECT_TRUE(window.reportView()->toPlainText().startsWith("Словарь «Deutsch.dct» создан, слов в нём: 3."))
        << window.reportView()->toPlainText().toStdString();
    EXPECT_TRUE(messages.shown.empty());

    // With the IPA column the tie bar and the non-syllabic mark are stored as
    // they stand; with the box checked, a row whose symbol has no key is refused
    // and the report offers to keep it without its transcription.
    write(path("Deutsch.csv"), read(path("Deutsch.csv")) + "die,Brücke,мост,ˈbʁʏkə☆\n");
    ASSERT_TRUE(window.openFile(QString::fromStdString(path("Deutsch.csv"))));
    choose(window.wordColumnBox(), "2: Wort");
    choose(window.translationColumnBox(), "3: Übersetzung");
    choose(window.transcriptionColumnBox(), "4: IPA");
    choose(window.nativeLanguageBox(), "Русский");
    QTest::mouseClick(window.refuseUntranscribedBox(), Qt::LeftButton, {},
                      QPoint(8, window.refuseUntranscribedBox()->height() / 2));
    ASSERT_TRUE(window.refuseUntranscribedBox()->isChecked());
    QTest::mouseClick(window.importButton(), Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Файл «" + dict("Deutsch.dct") + "» уже есть.\nЗаменить его?");
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
    auto again = records(dict("Deutsch.dct"));
    ASSERT_EQ(again.size(), 3u) << "replaced after Yes";
    EXPECT_EQ(fieldText(again[0].transcription), "['kat\xBEsE]");
    EXPECT_EQ(fieldText(again[2].transcription), "[haW\xBCs]");
    const QString report = window.reportView()->toPlainText();
    EXPECT_TRUE(report.contains("отклонено: в транскрипции знак без клавиши: 1")) << report.toStdString();
    EXPECT_TRUE(report.contains("строка 5: в транскрипции знак «☆» U+2606 WHITE STAR, для которого нет клавиши"))
        << report.toStdString();
    ASSERT_EQ(window.fixButtons().size(), 1);
    EXPECT_EQ(window.fixButtons()[0]->text(), "Оставить строки без транскрипции");
    QTest::mouseClick(window.fixButtons()[0], Qt::LeftButton);
    EXPECT_FALSE(window.refuseUntranscribedBox()->isChecked());
    EXPECT_EQ(records(dict("Deutsch.dct")).size(), 4u) << window.reportView()->toPlainText().toStdString();
    EXPECT_TRUE(window.reportView()->toPlainText().contains("транскрипция не записана: 1"));
    EXPECT_TRUE(window.fixButtons().isEmpty());

    // Answering No keeps the file as it is.
    const std::string before = read(dict("Deutsch.dct"));
    messages.answers.push_back(MessageAnswer::No);
    choose(window.transcriptionColumnBox(), "нет");
    QTest::mouseClick(window.importButton(), Qt::LeftButton);
    EXPECT_EQ(read(dict("Deutsch.dct")), before);
    EXPECT_TRUE(window.reportView()->toPlainText().contains("не заменён"));
}

TEST_F(DcFixture, WindowCreatesAnEmptyDictionaryAndExportsOne)
{
    RecordingMessages messages;
    DcWindow window(settings, messages);
    window.show();
    window.tabs()->setCurrentIndex(1);
    EXPECT_FALSE(window.emptyButton()->isEnabled());
    QTest::keyClicks(window.emptyNameEdit(), "novyj");
    QTest::keyClick(window.emptyNameEdit(), Qt::Key_Return);
    EXPECT_TRUE(std::filesystem::exists(dict("novyj.dct")));
    EXPECT_EQ(window.reportView()->toPlainText(), "Создан пустой словарь «novyj.dct».");

    // The export list follows the folder.
    window.tabs()->setCurrentIndex(2);
    ASSERT_EQ(window.exportDictionaryBox()->count(), 1);
    QTest::keyClicks(window.exportFileEdit(), QString::fromStdString(path("out.tsv")));
    QTest::mouseClick(window.exportButton(), Qt::LeftButton);
    EXPECT_TRUE(std::filesystem::exists(path("out.tsv")));
    EXPECT_EQ(read(path("out.tsv")), "");
    EXPECT_EQ(window.reportView()->toPlainText().toStdString(),
              "Выгружено слов: 0 в файл «" + path("out.tsv") + "».");
}

TEST_F(DcFixture, WindowTakesATypedOrDroppedPathAndPreviewsOnlyTheHeadOfAHugeFile)
{
    // One line of 12 MB: the preview reads the first part only and shows a
    // cut field; the import refuses the line as too long.
    std::string huge = "wort\t";
    huge.append(12 * 1024 * 1024, 'x');
    huge += "\tIPA\n";
    write(path("huge.tsv"), huge);
    write(path("polski.txt"), "żółw\tчерепаха\nźrebię\tжеребёнок\nłąka\tлуг\n");
    RecordingMessages messages;
    DcWindow window(settings, messages);
    window.show();

    // A path typed (or pasted) and Enter.
    QTest::keyClicks(window.fileEdit(), QString::fromStdString(path("huge.tsv")));
    QTest::keyClick(window.fileEdit(), Qt::Key_Return);
    auto* model = window.preview()->model();
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_LE(model->index(0, 1).data().toString().size(), 202);
    EXPECT_EQ(window.formatLabel()->text(), "Формат: текст UTF-8");
    QTest::mouseClick(window.importButton(), Qt::LeftButton);
    EXPECT_TRUE(window.reportView()->toPlainText().contains("отклонено: перевод длиннее поля: 1"))
        << window.reportView()->toPlainText().toStdString();
    // Nothing was written: said in a box as well.
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Ни одна строка файла не дала слова (отклонено строк: 1); словарь не создан.");
    messages.shown.clear();

    // A file dropped on the window: its letters suggest Polish.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path("polski.txt")))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &drop);
    EXPECT_EQ(window.fileEdit()->text().toStdString(), path("polski.txt"));
    EXPECT_EQ(window.foreignLanguageBox()->currentText(), "Польский");
    EXPECT_EQ(window.nativeLanguageBox()->currentText(), "Русский");
    window.importNameEdit()->setText("polski");
    QTest::mouseClick(window.importButton(), Qt::LeftButton);
    const auto r = records(dict("polski.dct"));
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(fieldText(r[0].word), "\xBF\xF3\xB3w");   // żółw in cp1250
    EXPECT_EQ(read(dict("polski.lng")), "uiForeignLayout=1045\nuiNativeLayout=1049\n");
    EXPECT_TRUE(messages.shown.empty());

    // The export page offers the dictionary's own languages and the notes format.
    window.tabs()->setCurrentIndex(2);
    choose(window.exportDictionaryBox(), "polski.dct");
    EXPECT_EQ(window.exportForeignBox()->currentText(), "Польский");
    choose(window.exportFormatBox(), "файл заметок");
    QTest::keyClicks(window.exportFileEdit(), QString::fromStdString(path("polski-notes.txt")));
    QTest::mouseClick(window.exportButton(), Qt::LeftButton);
    EXPECT_EQ(read(path("polski-notes.txt")), "#separator:tab\n#html:false\n#deck:polski\n"
                                              "#columns:Слово\tПеревод\tТранскрипция\n"
                                              "żółw\tчерепаха\t\nźrebię\tжеребёнок\t\nłąka\tлуг\t\n");
}

TEST_F(DcFixture, WindowOffersTheOtherSeparatorAndTheOtherLanguage)
{
    write(path("list.csv"), "Haus;дом\nBaum;дерево\n");
    RecordingMessages messages;
    DcWindow window(settings, messages);
    window.show();
    ASSERT_TRUE(window.openFile(QString::fromStdString(path("list.csv"))));
    EXPECT_TRUE(window.fixButtons().isEmpty());
    // Commas chosen: every row is one field, nothing to import; the window
    // offers the separator that splits the rows.
    choose(window.separatorBox(), "запятая");
    EXPECT_FALSE(window.importButton()->isEnabled());
    ASSERT_EQ(window.fixButtons().size(), 1);
    EXPECT_EQ(window.fixButtons()[0]->text(), "Разделитель — точка с запятой");
    QTest::mouseClick(window.fixButtons()[0], Qt::LeftButton);
    EXPECT_EQ(window.separatorBox()->currentText(), "точка с запятой (CSV)");
    EXPECT_EQ(window.preview()->model()->columnCount(), 2);
    EXPECT_TRUE(window.fixButtons().isEmpty());
    window.importNameEdit()->setText("list");
    QTest::mouseClick(window.importButton(), Qt::LeftButton);
    EXPECT_EQ(records(dict("list.dct")).size(), 2u);

    // Greek words with a studied language whose code page lacks them.
    write(path("greek.txt"), "γάτα\tкошка\nσκύλος\tсобака\n");
    ASSERT_TRUE(window.openFile(QString::fromStdString(path("greek.txt"))));
    EXPECT_EQ(window.foreignLanguageBox()->currentText(), "Греческий");
    choose(window.foreignLanguageBox(), "Английский");
    window.importNameEdit()->setText("greek");
    QTest::mouseClick(window.importButton(), Qt::LeftButton);
    ASSERT_EQ(window.fixButtons().size(), 1);
    EXPECT_EQ(window.fixButtons()[0]->text(), "Языки: Греческий — Русский");
    QTest::mouseClick(window.fixButtons()[0], Qt::LeftButton);
    EXPECT_EQ(window.foreignLanguageBox()->currentText(), "Греческий");
    ASSERT_EQ(records(dict("greek.dct")).size(), 2u);
    EXPECT_EQ(fieldText(records(dict("greek.dct"))[0].word), "\xE3\xDC\xF4\xE1");
}
