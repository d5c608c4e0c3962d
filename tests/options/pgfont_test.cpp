// The Languages/Fonts page, driven through its real widgets.
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

#include "language/FontChooser.h"
#include "language/LanguageTable.h"
#include "language/TranscriptionFont.h"
#include "options/PgFont.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/Settings.h"
#include "support/TempDir.h"

namespace mox {
namespace {

// The texts of a list's items.
QStringList offered(const QComboBox* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

// Runs `step` on the modal dialog once it is open (polling the event loop).
void whenModal(std::function<void(QWidget*)> step)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer->stop();
        timer->deleteLater();
        step(modal);
    });
    timer->start();
}

class PgFontTest : public ::testing::Test {
protected:
    PgFontTest() : settings(messages)
    {
        settings.setSForeignFontFace("DejaVu Sans");
        settings.setSNativeFontFace("DejaVu Serif");
        settings.setSTransFontFace("TransMox");
        settings.setIForeignCharSet(0);
        settings.setINativeCharSet(204);
        settings.setITransCharSet(2);
        settings.setUiForeignLayout(0x0409);
        settings.setUiNativeLayout(0x0419);
        settings.setUiTransLayout(0x0409);
        settings.setWordFontSize(-10);
        settings.setTransFontSize(-14);
    }

    template <class T> T* child(CPgFont& page, const char* name)
    {
        T* w = page.findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    RecordingMessages messages;
    Settings settings;
};

TEST_F(PgFontTest, ShowsItsControlsAndThePreviews)
{
    CPgFont page(settings);
    auto* foreignFont = child<QPushButton>(page, "foreignFont");
    auto* nativeFont = child<QPushButton>(page, "nativeFont");
    auto* transFont = child<QPushButton>(page, "transFont");
    EXPECT_EQ(foreignFont->text(), QStringLiteral("Выбор шрифта"));  // until shown
    EXPECT_FALSE(page.displayed());

    page.show();
    EXPECT_TRUE(page.displayed());
    EXPECT_EQ(foreignFont->text(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(foreignFont->font().family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(foreignFont->font().pointSize(), 12);
    EXPECT_EQ(nativeFont->text(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(nativeFont->font().family(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(nativeFont->font().pointSize(), 12);
    // The transcription face's name, in the studied face, two points up.
    EXPECT_EQ(transFont->text(), QStringLiteral("TransMox"));
    EXPECT_EQ(transFont->font().family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(transFont->font().pointSize(), 16);
    EXPECT_EQ(child<QPushButton>(page, "installFont")->text(), QStringLiteral("Установить"));

    QStringList groups;
    for (auto* g : page.findChildren<QGroupBox*>())
        groups << g->title();
    EXPECT_EQ(groups, (QStringList{QStringLiteral("ИЗУЧАЕМЫЙ ЯЗЫК"), QStringLiteral("ЯЗЫК ПЕРЕВОДА"),
                                   QStringLiteral("ТРАНСКРИПЦИЯ")}));
    int languageLabels = 0, fontLabels = 0;
    for (auto* l : page.findChildren<QLabel*>()) {
        languageLabels += l->text() == QStringLiteral("Язык");
        fontLabels += l->text() == QStringLiteral("Шрифт");
    }
    EXPECT_EQ(languageLabels, 2);
    EXPECT_EQ(fontLabels, 3);
}

TEST_F(PgFontTest, PreviewsStayReadableWithoutStoredSizes)
{
    settings.setWordFontSize(0);
    settings.setTransFontSize(0);
    CPgFont page(settings);
    page.show();
    EXPECT_EQ(child<QPushButton>(page, "foreignFont")->font().pointSize(), 12);
    EXPECT_EQ(child<QPushButton>(page, "transFont")->font().pointSize(), 14);
    page.apply();
    EXPECT_EQ(settings.wordFontSize(), 0);  // the stored size is not invented
    EXPECT_EQ(settings.transFontSize(), 0);
}

TEST_F(PgFontTest, LanguageListsFollowTheTableAndSelectByBeginning)
{
    settings.setUiForeignLayout(0x0C1A);
    settings.setUiNativeLayout(0x0419);
    CPgFont page(settings);
    auto* foreign = child<QComboBox>(page, "foreignLanguage");
    auto* native = child<QComboBox>(page, "nativeLanguage");
    ASSERT_EQ(foreign->count(), 28);
    ASSERT_EQ(native->count(), 28);
    for (int i = 0; i < 28; ++i) {
        const auto& text = LanguageTable[static_cast<std::size_t>(i)].listText;
        EXPECT_EQ(foreign->itemText(i), QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        EXPECT_EQ(native->itemText(i), foreign->itemText(i));
    }
    page.show();
    EXPECT_EQ(foreign->currentText(), QStringLiteral("Сербский (кириллица)"));
    EXPECT_EQ(native->currentText(), QStringLiteral("Русский"));

    // An identifier outside the table selects nothing.
    settings.setUiForeignLayout(0x0411);
    CPgFont other(settings);
    other.show();
    EXPECT_EQ(child<QComboBox>(other, "foreignLanguage")->currentIndex(), -1);
    EXPECT_EQ(other.foreignLayout(), 0x0411u);
}

TEST_F(PgFontTest, ChoosingALanguageChangesThePageCopyUntilConfirmed)
{
    CPgFont page(settings);
    page.show();
    int changes = 0;
    QObject::connect(&page, &CPgFont::changed, [&] { ++changes; });
    auto* foreign = child<QComboBox>(page, "foreignLanguage");
    foreign->setFocus();
    QTest::keyClick(foreign, Qt::Key_Down);  // Английский → Болгарский
    EXPECT_EQ(page.foreignLayout(), 0x0402u);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(settings.uiForeignLayout(), 0x0409u);

    auto* native = child<QComboBox>(page, "nativeLanguage");
    emit native->activated(23);  // a choice from the open list
    EXPECT_EQ(page.nativeLayout(), 0x040Cu);
    emit native->activated(28);  // outside the table: unchanged
    emit native->activated(-1);
    EXPECT_EQ(page.nativeLayout(), 0x040Cu);
    EXPECT_EQ(changes, 2);

    page.apply();
    EXPECT_EQ(settings.uiForeignLayout(), 0x0402u);
    EXPECT_EQ(settings.uiNativeLayout(), 0x040Cu);
    EXPECT_EQ(settings.uiTransLayout(), 0x0409u);  // carried through
}

TEST_F(PgFontTest, FontRequestsCarryTheLimitsAndCurrentValues)
{
    CPgFont page(settings);
    std::vector<FontRequest> requests;
    page.setFontPicker([&](const FontRequest& r) {
        requests.push_back(r);
        return std::optional<FontChoice>{};
    });
    page.show();
    QTest::mouseClick(child<QPushButton>(page, "foreignFont"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(page, "nativeFont"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(page, "transFont"), Qt::LeftButton);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].face, QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(requests[0].charSet, 0);
    EXPECT_EQ(requests[0].minPoints, 10);
    EXPECT_EQ(requests[0].maxPoints, 10);
    EXPECT_FALSE(requests[0].trueTypeOnly);
    EXPECT_EQ(requests[1].face, QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(requests[1].charSet, 204);
    EXPECT_EQ(requests[2].face, QStringLiteral("TransMox"));
    EXPECT_EQ(requests[2].charSet, 2);
    EXPECT_EQ(requests[2].minPoints, 12);
    EXPECT_EQ(requests[2].maxPoints, 18);
    EXPECT_EQ(requests[2].initialPoints, 14);
    EXPECT_TRUE(requests[2].trueTypeOnly);

    // Cancelled dialogs changed nothing.
    page.apply();
    EXPECT_EQ(settings.sForeignFontFace(), "DejaVu Sans");
    EXPECT_EQ(settings.wordFontSize(), -10);
    EXPECT_EQ(settings.transFontSize(), -14);
    EXPECT_EQ(child<QPushButton>(page, "foreignFont")->text(), QStringLiteral("DejaVu Sans"));
}

TEST_F(PgFontTest, ChosenFontsSetFaceCharSetAndSize)
{
    settings.setWordFontSize(-12);
    CPgFont page(settings);
    page.show();
    std::optional<FontChoice> answer;
    page.setFontPicker([&](const FontRequest&) { return answer; });

    // The studied font: its size becomes the one size of both word fonts.
    answer = FontChoice{QStringLiteral("DejaVu Sans Mono"), 238, 105};  // 10.5 points
    QTest::mouseClick(child<QPushButton>(page, "foreignFont"), Qt::LeftButton);
    EXPECT_EQ(page.foreignFace(), "DejaVu Sans Mono");
    EXPECT_EQ(page.foreignCharSet(), 238);
    EXPECT_EQ(page.wordFontSize(), -10);
    auto* foreignFont = child<QPushButton>(page, "foreignFont");
    EXPECT_EQ(foreignFont->text(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(foreignFont->font().family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(foreignFont->font().pointSize(), 12);

    // The transcription font: its name drawn in the studied face, 2 points up.
    answer = FontChoice{QStringLiteral("DejaVu Serif"), 2, 140};
    QTest::mouseClick(child<QPushButton>(page, "transFont"), Qt::LeftButton);
    EXPECT_EQ(page.transFace(), "DejaVu Serif");
    EXPECT_EQ(page.transFontSize(), -14);
    auto* transFont = child<QPushButton>(page, "transFont");
    EXPECT_EQ(transFont->text(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(transFont->font().family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(transFont->font().pointSize(), 16);

    // Nothing reaches the settings before confirmation.
    EXPECT_EQ(settings.sForeignFontFace(), "DejaVu Sans");
    EXPECT_EQ(settings.wordFontSize(), -12);
    page.apply();
    EXPECT_EQ(settings.sForeignFontFace(), "DejaVu Sans Mono");
    EXPECT_EQ(settings.iForeignCharSet(), 238);
    EXPECT_EQ(settings.sNativeFontFace(), "DejaVu Serif");
    EXPECT_EQ(settings.iNativeCharSet(), 204);
    EXPECT_EQ(settings.sTransFontFace(), "DejaVu Serif");
    EXPECT_EQ(settings.iTransCharSet(), 2);
    EXPECT_EQ(settings.wordFontSize(), -10);
    EXPECT_EQ(settings.transFontSize(), -14);
}

TEST_F(PgFontTest, ConfirmationWritesHeightsNegativeAndOnlyWhatChanged)
{
    settings.setWordFontSize(11);  // a positive value from a damaged store
    settings.setTransFontSize(INT16_MIN);
    CPgFont page(settings);
    settings.setSForeignFontFace("changed meanwhile");
    page.show();
    EXPECT_EQ(child<QPushButton>(page, "foreignFont")->font().pointSize(), 13);
    page.apply();
    EXPECT_EQ(settings.wordFontSize(), -11);
    EXPECT_EQ(settings.transFontSize(), -32767);
    // A face the user did not change on the page is not written back over
    // one set elsewhere meanwhile.
    EXPECT_EQ(settings.sForeignFontFace(), "changed meanwhile");
    EXPECT_EQ(settings.sNativeFontFace(), "DejaVu Serif");
}

TEST_F(PgFontTest, TheFontDialogLimitsSizesAndFaces)
{
    TranscriptionFont transmox;
    ASSERT_TRUE(transmox.install(QStringLiteral(MOX_TRANSMOX_TTF)));
    CPgFont page(settings);
    page.show();

    bool checked = false;
    whenModal([&](QWidget* modal) {
        auto* chooser = qobject_cast<FontChooser*>(modal);
        ASSERT_NE(chooser, nullptr);
        auto* size = chooser->findChild<QComboBox*>(QStringLiteral("size"));
        auto* face = chooser->findChild<QComboBox*>(QStringLiteral("face"));
        auto* charSet = chooser->findChild<QComboBox*>(QStringLiteral("charSet"));
        EXPECT_EQ(offered(size), (QStringList{"12", "13", "14", "15", "16", "17", "18"}));
        EXPECT_EQ(size->currentText(), "14");
        EXPECT_EQ(chooser->windowTitle(), QStringLiteral("Mox! <> Шрифт"));
        EXPECT_EQ(face->currentText(), QStringLiteral("TransMox"));
        EXPECT_EQ(charSet->currentData().toInt(), 2);
        EXPECT_EQ(offered(face), fontFamilies(true));
        size->setCurrentIndex(size->findText("16"));
        checked = true;
        chooser->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QTest::mouseClick(child<QPushButton>(page, "transFont"), Qt::LeftButton);
    ASSERT_TRUE(checked);
    EXPECT_EQ(page.transFontSize(), -16);
    EXPECT_EQ(page.transFace(), "TransMox");
    EXPECT_EQ(page.transCharSet(), 2);

    // The word fonts allow 10 points only; cancelling keeps everything.
    checked = false;
    whenModal([&](QWidget* modal) {
        auto* size = modal->findChild<QComboBox*>(QStringLiteral("size"));
        EXPECT_EQ(offered(size), QStringList{"10"});
        auto* charSet = modal->findChild<QComboBox*>(QStringLiteral("charSet"));
        EXPECT_EQ(charSet->currentData().toInt(), 204);
        charSet->setCurrentIndex(0);
        checked = true;
        modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    });
    QTest::mouseClick(child<QPushButton>(page, "nativeFont"), Qt::LeftButton);
    ASSERT_TRUE(checked);
    EXPECT_EQ(page.nativeCharSet(), 204);
    EXPECT_EQ(page.nativeFace(), "DejaVu Serif");
}

TEST_F(PgFontTest, TheStoredWordSizeCanBeKeptAndEveryButtonFollowsAChoiceAtOnce)
{
    // The first run's word size, 12 points, is none of the dialog's own.
    settings.setWordFontSize(-12);
    CPgFont page(settings);
    page.show();
    auto* nativeFont = child<QPushButton>(page, "nativeFont");
    auto* transFont = child<QPushButton>(page, "transFont");
    EXPECT_EQ(nativeFont->font().pointSize(), 14);

    bool checked = false;
    whenModal([&](QWidget* modal) {
        auto* size = modal->findChild<QComboBox*>(QStringLiteral("size"));
        EXPECT_EQ(offered(size), (QStringList{"10", "12"}));
        EXPECT_EQ(size->currentText(), "12");
        modal->findChild<QComboBox*>(QStringLiteral("face"))->setCurrentText(QStringLiteral("DejaVu Serif"));
        checked = true;
        modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QTest::mouseClick(child<QPushButton>(page, "foreignFont"), Qt::LeftButton);
    ASSERT_TRUE(checked);
    EXPECT_EQ(page.wordFontSize(), -12);  // kept
    EXPECT_EQ(page.foreignFace(), "DejaVu Serif");
    // The transcription button is written in the studied face: it follows at
    // once, without the page being shown again.
    EXPECT_EQ(transFont->font().family(), QStringLiteral("DejaVu Serif"));

    // Ten points for the studied font: the translation button, which shares
    // the size, follows at once.
    whenModal([&](QWidget* modal) {
        auto* size = modal->findChild<QComboBox*>(QStringLiteral("size"));
        size->setCurrentIndex(size->findText("10"));
        modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QTest::mouseClick(child<QPushButton>(page, "foreignFont"), Qt::LeftButton);
    EXPECT_EQ(page.wordFontSize(), -10);
    EXPECT_EQ(child<QPushButton>(page, "foreignFont")->font().pointSize(), 12);
    EXPECT_EQ(nativeFont->font().pointSize(), 12);
}

TEST_F(PgFontTest, InstallOffersTrueTypeFilesAndInstallsTheChosenOne)
{
    TempDir home;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((home.path() / "data").string()));
    const auto source = home.path() / "Phonetic.ttf";
    std::filesystem::copy_file(MOX_TRANSMOX_TTF, source);

    CPgFont page(settings);
    std::vector<int> added;
    QObject::connect(&page, &CPgFont::fontInstalled, [&](int id) { added.push_back(id); });
    page.show();
    bool checked = false;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("Файл шрифта TrueType (*.ttf)")});
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        checked = true;
        dialog->reject();
    });
    QTest::mouseClick(child<QPushButton>(page, "installFont"), Qt::LeftButton);
    ASSERT_TRUE(checked);
    EXPECT_FALSE(std::filesystem::exists(home.path() / "data" / "fonts"));

    // A chosen file is copied into the user's fonts once the user agrees.
    page.setFilePicker([&] { return QString::fromStdString(source.string()); });
    messages.answers.push_back(MessageAnswer::No);
    QTest::mouseClick(child<QPushButton>(page, "installFont"), Qt::LeftButton);
    EXPECT_FALSE(std::filesystem::exists(home.path() / "data" / "fonts" / "Phonetic.ttf"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(added.empty());
    messages.clear();
    QTest::mouseClick(child<QPushButton>(page, "installFont"), Qt::LeftButton);
    EXPECT_TRUE(std::filesystem::exists(home.path() / "data" / "fonts" / "Phonetic.ttf"));
    EXPECT_EQ(messages.shown.size(), 1u);
    messages.clear();
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(QFontDatabase::applicationFontFamilies(added[0]), QStringList{QStringLiteral("TransMox")});

    // A name that no longer exists does nothing.
    page.setFilePicker([&] { return QString::fromStdString((home.path() / "gone.ttf").string()); });
    QTest::mouseClick(child<QPushButton>(page, "installFont"), Qt::LeftButton);
    EXPECT_FALSE(std::filesystem::exists(home.path() / "data" / "fonts" / "gone.ttf"));
    EXPECT_TRUE(messages.shown.empty());

    EXPECT_EQ(added.size(), 1u);
    for (int id : added)
        QFontDatabase::removeApplicationFont(id);  // its file goes with the temporary folder
    qputenv("XDG_DATA_HOME", oldData);
    if (oldData.isEmpty())
        qunsetenv("XDG_DATA_HOME");
}

} // namespace
} // namespace mox
