#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "platform/fake/RecordingMessages.h"
#include "platform/qt/QtMessages.h"
#include "platform/qt/QtRegistry.h"
#include "settings/Settings.h"
#include "settings/SettingsTable.h"
#include "support/TempDir.h"

using namespace mox;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

const std::string kProduct = Settings::kProductKey;

QString readFile(const QString& name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

void writeFile(const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(name).path());
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class QtRegistryTest : public ::testing::Test {
protected:
    TempDir dir;
    QString file = QString::fromStdString(dir.str()) + "/Jov Software/Mox!.conf";
    QtRegistry registry{file};
};

} // namespace

TEST(QtRegistryLocation, TheStandardFileLiesUnderTheUserConfigFolder)
{
    // main() points XDG_CONFIG_HOME at a temporary folder before Qt starts.
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    ASSERT_FALSE(config.isEmpty());
    EXPECT_EQ(QtRegistry::standardFileName(), config + "/Jov Software/Mox!.conf");
    EXPECT_EQ(QtRegistry().fileName(), QtRegistry::standardFileName());
    EXPECT_EQ(QtRegistry::startupReference(), "${XDG_CONFIG_HOME}/autostart");
}

TEST_F(QtRegistryTest, KeysNobodyWroteFailToOpen)
{
    EXPECT_FALSE(registry.exists());
    EXPECT_EQ(registry.openKey(kProduct), nullptr);
    EXPECT_EQ(registry.openKey(kProduct + "\\General"), nullptr);

    auto general = registry.createKey(kProduct + "\\General");
    ASSERT_NE(general, nullptr);
    ASSERT_TRUE(general->writeNumber("uiTimer", 300000));
    EXPECT_TRUE(registry.exists());
    EXPECT_NE(registry.openKey(kProduct), nullptr);
    EXPECT_NE(registry.openKey(kProduct + "\\General"), nullptr);
    EXPECT_EQ(registry.openKey(kProduct + "\\Method"), nullptr);
    EXPECT_EQ(registry.openKey(kProduct + "\\General\\Deeper"), nullptr);
    EXPECT_EQ(registry.openKey(kProduct + "Extra"), nullptr);
    EXPECT_EQ(registry.openKey("Software\\Other"), nullptr);

    // Settings sees the same: every value but uiTimer is missing (and named,
    // but for the remembered sizes, which files of earlier versions lack).
    RecordingMessages m;
    Settings s(m);
    const std::vector<std::string> missing = s.load(registry);
    EXPECT_EQ(s.uiTimer(), 300000u);
    const auto named = std::count_if(settingsTable().begin(), settingsTable().end(),
                                     [](const SettingRow& row) { return !row.mayBeMissing; });
    EXPECT_EQ(missing.size(), static_cast<std::size_t>(named) - 1);
    EXPECT_EQ(std::find(missing.begin(), missing.end(), "uiTimer"), missing.end());
    EXPECT_EQ(missing.front(), "sAppPath");
    EXPECT_TRUE(m.shown.empty());
}

TEST_F(QtRegistryTest, SettingsRoundTripThroughTheFile)
{
    for (const char* group : {"General", "Method", "Dicts", "Fonts", "Results"})
        ASSERT_TRUE(registry.createKey(kProduct + "\\" + group)->writeNumber("placeholder", 0));
    ASSERT_TRUE(registry.createKey(kProduct)->writeText("sAppPath", "/home/u/.local/share/mox"));

    RecordingMessages m;
    Settings s(m);
    s.setFirstRunValues();
    s.setTimerMinutes(7);
    s.setBAutoShow(true);
    s.setIMainRegim(Mode::Typing);
    s.setIShowCount(65535);
    s.setIRowCount(5);
    s.setINativeCharSet(204);
    s.setWordFontSize(-14);
    s.setTransFontSize(-12);
    s.setUiNativeLayout(0x419);
    s.setUiDictActiveCount(0xFFFFFFFFu);
    s.setSCurDict("словарь, мой.dct");   // UTF-8, with a comma
    s.setSNativeFontFace("DejaVu Sans");
    ASSERT_TRUE(s.save(registry));
    ASSERT_TRUE(m.shown.empty()) << m.texts().front();

    QtRegistry reopened(file);
    Settings t(m);
    EXPECT_EQ(t.load(reopened), std::vector<std::string>{});
    EXPECT_EQ(m.texts(), std::vector<std::string>{});
    EXPECT_EQ(t.uiTimer(), 7u * 60000u);
    EXPECT_TRUE(t.bAutoShow());
    EXPECT_EQ(t.iMainRegim(), Mode::Typing);
    EXPECT_EQ(t.iShowCount(), 65535);
    EXPECT_EQ(t.iNativeCharSet(), 204);
    EXPECT_EQ(t.wordFontSize(), -14);
    EXPECT_EQ(t.transFontSize(), -12);
    EXPECT_EQ(t.uiNativeLayout(), 0x419u);
    EXPECT_EQ(t.uiDictActiveCount(), 0xFFFFFFFFu);
    EXPECT_EQ(t.sCurDict(), "словарь, мой.dct");
    EXPECT_EQ(t.sNativeFontFace(), "DejaVu Sans");
    EXPECT_EQ(t.appPath(), "/home/u/.local/share/mox");

    // The file holds the numbers as plain decimals under their groups, and
    // never a program folder or startup value written by the program.
    const QString text = readFile(file);
    EXPECT_TRUE(text.contains("uiTimer=420000"));
    EXPECT_TRUE(text.contains("iForeignFontSize=14"));
    EXPECT_EQ(text.count("sAppPath"), 1);
    EXPECT_FALSE(text.contains("Startup"));
}

TEST_F(QtRegistryTest, TextsAreLimitedTo254BytesAndNumbersToUnsigned32Bits)
{
    auto key = registry.createKey(kProduct + "\\Dicts");
    EXPECT_TRUE(key->writeText("sCurDict", std::string(254, 'a')));
    EXPECT_EQ(key->readText("sCurDict"), std::string(254, 'a'));
    EXPECT_FALSE(key->writeText("sCurDict", std::string(255, 'b')));
    EXPECT_EQ(key->readText("sCurDict"), std::string(254, 'a'));

    // The limit is in bytes: 127 Cyrillic letters fit, 128 do not.
    std::string letters;
    for (int i = 0; i < 127; ++i)
        letters += "ж";
    EXPECT_TRUE(key->writeText("sCurList", letters));
    EXPECT_EQ(key->readText("sCurList"), letters);
    EXPECT_FALSE(key->writeText("sCurList", letters + "ж"));
    // Bytes that are not UTF-8 are refused rather than stored damaged.
    EXPECT_FALSE(key->writeText("sCurList", "\xE6\xF3\xEA"));
    EXPECT_EQ(key->readText("sCurList"), letters);

    // A file edited by hand: a text of 255 bytes, numbers out of range or not numbers.
    writeFile(file, "[Dicts]\n"
                    "sCurDict=" + QByteArray(255, 'c') + "\n"
                    "sCurList=" + QByteArray(254, 'c') + "\n"
                    "big=4294967295\nover=4294967296\nnegative=-1\nword=abc\nlist=1, 2\n");
    QtRegistry edited(file);
    auto dicts = edited.openKey(kProduct + "\\Dicts");
    ASSERT_NE(dicts, nullptr);
    EXPECT_EQ(dicts->readText("sCurDict"), std::nullopt);
    EXPECT_EQ(dicts->readText("sCurList"), std::string(254, 'c'));
    EXPECT_EQ(dicts->readNumber("big"), 4294967295u);
    EXPECT_EQ(dicts->readNumber("over"), std::nullopt);
    EXPECT_EQ(dicts->readNumber("negative"), std::nullopt);
    EXPECT_EQ(dicts->readNumber("word"), std::nullopt);
    EXPECT_EQ(dicts->readNumber("list"), std::nullopt);
    EXPECT_EQ(dicts->readText("list"), "1, 2");
    EXPECT_EQ(dicts->readNumber("missing"), std::nullopt);
    EXPECT_EQ(dicts->readText("missing"), std::nullopt);
}

TEST_F(QtRegistryTest, AWriteTheFileDoesNotTakeIsAFailedWrite)
{
    auto key = registry.createKey(kProduct + "\\General");
    ASSERT_TRUE(key->writeNumber("uiTimer", 60000));
    // The settings file's place is taken by a folder: nothing can be saved there.
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QDir().mkpath(file));
    EXPECT_FALSE(key->writeNumber("uiTimer", 120000));
    EXPECT_FALSE(key->writeText("sCurDict", "x.dct"));
    // Value names that would address groups are not value names.
    ASSERT_TRUE(QDir(file).removeRecursively());
    EXPECT_FALSE(key->writeNumber("a/b", 1));
    EXPECT_EQ(key->readNumber("a/b"), std::nullopt);
}

TEST_F(QtRegistryTest, AFileWithLinesThatAreNoSettingsStillGivesTheValuesItHolds)
{
    // A line of stray bytes and a section header cut short: QSettings calls
    // that a format error, but what can be read is there.
    writeFile(file, "[General]\nsAppPath=/p\n[%General]\nuiTimer=120000\n\x93\xFF\xFE stray\n"
                    "[Dicts]\nsCurDict=german.dct\n[Fon\niForeignCharSet=0\n");
    ASSERT_EQ(QSettings(file, QSettings::IniFormat).status(), QSettings::FormatError);
    auto general = registry.openKey(kProduct + "\\General");
    ASSERT_NE(general, nullptr);
    EXPECT_EQ(general->readNumber("uiTimer"), 120000u);
    ASSERT_NE(registry.openKey(kProduct + "\\Dicts"), nullptr);
    EXPECT_EQ(registry.openKey(kProduct + "\\Dicts")->readText("sCurDict"), "german.dct");
    EXPECT_EQ(registry.openKey(kProduct + "\\Fonts"), nullptr);
    EXPECT_EQ(registry.openKey(kProduct)->readText("sAppPath"), "/p");
}

TEST_F(QtRegistryTest, ADictionaryNameThatIsNotUtf8OpensNoFile)
{
    // Bytes of another code page in the names: Qt reads them as U+FFFD.
    writeFile(file, "[General]\nsAppPath=" + QByteArray::fromStdString(dir.str()) +
                        "\n[Dicts]\nsCurDict=\xE0ngl\xFFsh.dct\nsCurList=ok.lst\n");
    RecordingMessages m;
    Settings s(m);
    s.load(registry);
    ASSERT_NE(s.sCurDict().find("\xEF\xBF\xBD"), std::string::npos);
    EXPECT_EQ(s.dictionaryPath(), "");
    EXPECT_EQ(s.listPath(), "");

    // The same for the list, and for raw bytes that are not UTF-8.
    s.setSCurDict("english.dct");
    s.setSCurList("\xEF\xBF\xBD.lst");
    EXPECT_EQ(s.listPath(), "");
    s.setSCurList("\xE0.lst");
    EXPECT_EQ(s.listPath(), "");
    s.setSCurList("ёж.lst");
    EXPECT_EQ(s.listPath(), dir.str() + "/voc/ёж.lst");
}

TEST_F(QtRegistryTest, ASaveTheFileDoesNotTakeIsToldOnceWithTheFilesName)
{
    RecordingMessages m;
    Settings s(m);
    s.setFirstRunValues();
    // No file, so no key opens: nothing is written, and one message says where.
    EXPECT_FALSE(s.save(registry));
    EXPECT_EQ(m.texts(), std::vector<std::string>{"Не удалось сохранить настройки в файле " + file.toStdString() + "."});
    EXPECT_FALSE(registry.exists());
}

TEST_F(QtRegistryTest, ShellFoldersGiveTheAutostartFolderAndAreNeverWritten)
{
    auto shell = registry.openKey(Settings::kShellFoldersKey);
    ASSERT_NE(shell, nullptr);
    EXPECT_EQ(shell->readText("Startup"), "${XDG_CONFIG_HOME}/autostart");
    EXPECT_EQ(shell->readText("Desktop"), std::nullopt);
    EXPECT_FALSE(shell->writeText("Startup", "/elsewhere"));
    EXPECT_FALSE(registry.exists());

    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "relative/path");   // invalid: ignored
    EXPECT_EQ(shell->readText("Startup"), "${HOME}/.config/autostart");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(shell->readText("Startup"), "${HOME}/.config/autostart");
    qputenv("XDG_CONFIG_HOME", saved);

    // Settings expands it to the real folder.
    ASSERT_TRUE(registry.createKey(kProduct)->writeText("sAppPath", "/p"));
    RecordingMessages m;
    Settings s(m);
    s.load(registry);
    EXPECT_EQ(s.startupFolder(), saved.toStdString() + "/autostart");
}

namespace {

// Runs show() and, once the box is up, hands it to inspect (which closes it).
MessageAnswer showAndAnswer(std::string_view text, MessageIcon icon, MessageButtons buttons,
                            const std::function<void(QMessageBox*)>& inspect, std::string_view title = {})
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = true;
        inspect(box);
    });
    QtMessages messages;
    const MessageAnswer answer = messages.show(text, icon, buttons, title);
    EXPECT_TRUE(seen);
    return answer;
}

} // namespace

TEST(QtMessagesTest, BoxesCarryCaptionTextIconAndButtonsAndReturnTheAnswer)
{
    auto answer = showAndAnswer("Удалить словарь <english.dct>?", MessageIcon::Question, MessageButtons::YesNo,
                                [](QMessageBox* box) {
                                    EXPECT_EQ(box->windowTitle(), "Mox!");
                                    EXPECT_EQ(box->text(), QString::fromUtf8("Удалить словарь <english.dct>?"));
                                    EXPECT_EQ(box->icon(), QMessageBox::Question);
                                    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
                                    box->button(QMessageBox::No)->click();
                                });
    EXPECT_EQ(answer, MessageAnswer::No);

    answer = showAndAnswer("x", MessageIcon::Error, MessageButtons::YesNoCancel, [](QMessageBox* box) {
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(answer, MessageAnswer::Yes);

    answer = showAndAnswer("Error Open Key", MessageIcon::None, MessageButtons::Ok, [](QMessageBox* box) {
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(answer, MessageAnswer::Ok);

    // A box with a title of its own, after the program's name.
    answer = showAndAnswer(
        "Не выделены строки.\n", MessageIcon::Warning, MessageButtons::Ok,
        [](QMessageBox* box) {
            EXPECT_EQ(box->windowTitle(), QString::fromUtf8("Mox! <> Сообщение"));
            box->button(QMessageBox::Ok)->click();
        },
        "Сообщение");
    EXPECT_EQ(answer, MessageAnswer::Ok);

    EXPECT_EQ(QtMessages::qtIcon(MessageIcon::Warning), QMessageBox::Warning);
    EXPECT_EQ(QtMessages::qtIcon(MessageIcon::Information), QMessageBox::Information);
}

TEST(QtMessagesTest, EscapeAnswersTheBoxesWayOfSayingNo)
{
    const auto escape = [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); };
    EXPECT_EQ(showAndAnswer("q", MessageIcon::Question, MessageButtons::YesNo, escape), MessageAnswer::No);
    EXPECT_EQ(showAndAnswer("q", MessageIcon::Warning, MessageButtons::OkCancel, escape), MessageAnswer::Cancel);
    EXPECT_EQ(showAndAnswer("q", MessageIcon::Question, MessageButtons::YesNoCancel, escape), MessageAnswer::Cancel);
    EXPECT_EQ(showAndAnswer("i", MessageIcon::Information, MessageButtons::Ok, escape), MessageAnswer::Ok);
}

TEST(QtMessagesTest, ABoxBelongsToTheWindowThatRaisedIt)
{
    QWidget learning;  // the default owner
    learning.setWindowTitle("<> Mox!");
    QtMessages messages(&learning);
    // Nothing of the program on screen: a box of its own, application-modal.
    EXPECT_EQ(messages.ownerNow(), nullptr);
    learning.show();
    EXPECT_EQ(messages.ownerNow(), &learning);

    // A modal dialog the user works in, raised over the learning window.
    QDialog dialog(&learning);
    QWidget* owner = nullptr;
    Qt::WindowModality modality = Qt::NonModal;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            owner = box->parentWidget();
            modality = box->windowModality();
            box->button(QMessageBox::Ok)->click();
        });
        messages.show("Добавляемое слово уже имеется в словаре.", MessageIcon::Warning);
        dialog.accept();
    });
    dialog.exec();
    EXPECT_EQ(owner, &dialog);
    EXPECT_EQ(modality, Qt::WindowModal);

    // A tool window (the transcription keyboard) hands its boxes to the
    // window it serves.
    QWidget tool(&learning, Qt::Tool);
    tool.show();
    QApplication::setActiveWindow(&tool);
    EXPECT_EQ(messages.ownerNow(), &learning);

    // A hidden window owns nothing.
    learning.hide();
    QApplication::setActiveWindow(nullptr);
    EXPECT_EQ(messages.ownerNow(), nullptr);
}

TEST(QtMessagesTest, TheArrowKeysMoveBetweenTheButtonsAndEnterPressesTheOneWithTheFocus)
{
    // Right from Yes to No, and round again; Enter answers with it.
    MessageAnswer answer = showAndAnswer("Удалить?", MessageIcon::Question, MessageButtons::YesNoCancel, [](QMessageBox* box) {
        QAbstractButton* yes = box->button(QMessageBox::Yes);
        QAbstractButton* no = box->button(QMessageBox::No);
        QAbstractButton* cancel = box->button(QMessageBox::Cancel);
        ASSERT_TRUE(QTest::qWaitForWindowActive(box));
        yes->setFocus();
        QTest::keyClick(yes, Qt::Key_Right);
        EXPECT_TRUE(no->hasFocus());
        QTest::keyClick(no, Qt::Key_Down);
        EXPECT_TRUE(cancel->hasFocus());
        QTest::keyClick(cancel, Qt::Key_Down);  // round to the first
        EXPECT_TRUE(yes->hasFocus());
        QTest::keyClick(yes, Qt::Key_Up);
        EXPECT_TRUE(cancel->hasFocus());
        QTest::keyClick(cancel, Qt::Key_Left);
        EXPECT_TRUE(no->hasFocus());
        QTest::keyClick(no, Qt::Key_Return);
    });
    EXPECT_EQ(answer, MessageAnswer::No);
}

TEST(QtMessagesTest, UnattendedMessagesNeverWaitAndGoToTheNotificationAndStandardError)
{
    QtMessages messages;
    QStringList notified;
    messages.setUnattended([&](const QString& text) { notified << text; });
    bool boxSeen = false;
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            boxSeen = true;
            box->close();
        }
    });
    guard.start(50);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(messages.show("Ошибка: не удалось обновить список.", MessageIcon::Error, MessageButtons::Ok),
              MessageAnswer::Ok);
    EXPECT_EQ(messages.show("q", MessageIcon::Question, MessageButtons::YesNo), MessageAnswer::No);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(boxSeen);
    EXPECT_NE(err.find("Ошибка: не удалось обновить список."), std::string::npos) << err;
    EXPECT_EQ(notified, (QStringList{QString::fromUtf8("Ошибка: не удалось обновить список."), "q"}));

    messages.setAttended();
    EXPECT_FALSE(messages.unattended());
    EXPECT_EQ(showAndAnswer("back", MessageIcon::None, MessageButtons::Ok,
                            [](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); }),
              MessageAnswer::Ok);
}

int main(int argc, char** argv)
{
    // A private configuration folder, set before Qt computes its paths.
    static TempDir config;
    ::setenv("XDG_CONFIG_HOME", config.str().c_str(), 1);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
