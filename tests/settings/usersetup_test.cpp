#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>

#include "platform/fake/RecordingMessages.h"
#include "platform/qt/QtRegistry.h"
#include "settings/Settings.h"
#include "settings/UserSetup.h"
#include "support/TempDir.h"

using namespace mox;

namespace {

QByteArray readAll(const QString& name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(name).path());
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// An installation (share/mox and lib/mox/mod) with the real starter
// dictionary, a help file, the font and one module, and a user with neither
// settings nor program folder.
class UserSetupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        installed = QString::fromStdString(tmp.str()) + "/share/mox";
        writeAll(installed + "/mox.qch", "help v1");
        writeAll(installed + "/fonts/transmox.ttf", "font v1");
        writeAll(installed + "/fonts/LICENSE-DejaVu.txt", "licence");
        modules = QString::fromStdString(tmp.str()) + "/lib/mox/mod";
        writeAll(modules + "/dc", "#!/bin/sh\n");
        QFile::setPermissions(modules + "/dc", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir().mkpath(installed + "/voc");
        ASSERT_TRUE(QFile::copy(MOX_STARTER_DICT_FILE, installed + "/voc/english.dct"));
        writeAll(QString::fromStdString(tmp.str()) + "/bin/mox", "program");
        paths.installedData = installed;
        paths.installedModules = modules;
        paths.programFolder = QString::fromStdString(tmp.str()) + "/home/.local/share/mox";
        paths.executable = QString::fromStdString(tmp.str()) + "/bin/mox";
    }

    Settings loaded()
    {
        QtRegistry reader(registry.fileName());
        Settings s(loadMessages);
        s.load(reader);
        return s;
    }

    TempDir tmp;
    QString installed, modules;
    UserSetup::Paths paths;
    QtRegistry registry{QString::fromStdString(tmp.str()) + "/config/Jov Software/Mox!.conf"};
    RecordingMessages messages, loadMessages;
};

} // namespace

TEST_F(UserSetupTest, FirstRunLaysOutTheFolderAndWritesEverySetting)
{
    ASSERT_TRUE(UserSetup::ensure(registry, messages, paths));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(registry.exists());
    EXPECT_FALSE(QFileInfo::exists(registry.fileName() + ".new"));

    const QString root = paths.programFolder;
    for (const char* folder : {"/voc", "/mod", "/fonts"})
        EXPECT_TRUE(QFileInfo(root + folder).isDir()) << folder;
    EXPECT_EQ(readAll(root + "/mox.qch"), "help v1");
    EXPECT_EQ(readAll(root + "/fonts/transmox.ttf"), "font v1");
    EXPECT_EQ(readAll(root + "/fonts/LICENSE-DejaVu.txt"), "licence");
    EXPECT_TRUE(QFileInfo(root + "/mod/dc").isExecutable());
    EXPECT_EQ(readAll(root + "/voc/english.dct"), readAll(MOX_STARTER_DICT_FILE));
    EXPECT_TRUE(QFileInfo(root + "/voc/english.dct").isWritable());
    EXPECT_EQ(QFileInfo(root + "/Mox").symLinkTarget(), paths.executable);

    // Every value of the table is there: loading reports nothing.
    Settings s = loaded();
    EXPECT_EQ(loadMessages.texts(), std::vector<std::string>{});
    EXPECT_EQ(s.appPath(), root.toStdString());
    EXPECT_EQ(s.dictionaryPath(), (root + "/voc/english.dct").toStdString());
    EXPECT_EQ(s.listPath(), (root + "/voc/english.lst").toStdString());
    EXPECT_EQ(s.helpFile(), (root + "/mox.qch").toStdString());
    EXPECT_EQ(s.uiTimer(), 5u * 60000u);
    EXPECT_TRUE(s.bAutoShow());
    EXPECT_FALSE(s.bAutoLoad());   // no autostart entry is made behind the user's back
    EXPECT_EQ(s.iRowCount(), 5);
    EXPECT_EQ(s.iMainRegim(), Mode::Choice);
    EXPECT_EQ(s.iNativeCharSet(), 204);
    EXPECT_EQ(s.iTransCharSet(), 2);
    EXPECT_EQ(s.uiForeignLayout(), 0x409u);
    EXPECT_EQ(s.uiNativeLayout(), 0x419u);
    EXPECT_EQ(s.uiTransLayout(), 0x409u);
    EXPECT_EQ(s.sForeignFontFace(), "DejaVu Sans");
    EXPECT_EQ(s.sTransFontFace(), "TransMox");
    EXPECT_LT(s.wordFontSize(), 0);
    EXPECT_LT(s.transFontSize(), 0);

    // The method values keep the relations the Method page enforces.
    EXPECT_GE(s.iSubSetRecCount(), 1);
    EXPECT_LE(s.iSubSetRecCount(), 300);
    EXPECT_GE(s.iSubSetRecCount(), s.iRowCount());
    EXPECT_LT(s.iShowCount(), s.iSubSetRecCount());
    EXPECT_LE(s.iHideAfter(), s.iShowCount());
    EXPECT_GE(s.iHideAfter(), 1);
    EXPECT_GE(s.iExcludeAfter(), 1);
    EXPECT_LE(s.iExcludeAfter(), 100);
    EXPECT_TRUE(s.iHideState());

    // The counts describe the dictionary that was copied.
    const auto records = static_cast<std::uint32_t>(QFileInfo(MOX_STARTER_DICT_FILE).size() / 208);
    EXPECT_EQ(s.uiDictRecCount(), records);
    EXPECT_EQ(s.uiDictActiveCount(), records);
}

TEST_F(UserSetupTest, LaterStartsKeepTheUsersSettingsAndDictionaries)
{
    ASSERT_TRUE(UserSetup::ensure(registry, messages, paths));
    const QString root = paths.programFolder;

    // The user changes a setting, learns (the dictionary changes), and
    // deletes the list and then the dictionary itself.
    ASSERT_TRUE(registry.openKey(std::string(Settings::kProductKey) + "\\General")->writeNumber("uiTimer", 120000));
    writeAll(root + "/voc/english.dct", QByteArray(208, '\0'));
    writeAll(root + "/voc/german.dct", QByteArray(416, '\0'));
    ASSERT_TRUE(UserSetup::ensure(registry, messages, paths));
    EXPECT_EQ(loaded().uiTimer(), 120000u);
    EXPECT_EQ(readAll(root + "/voc/english.dct"), QByteArray(208, '\0'));
    EXPECT_EQ(readAll(root + "/voc/german.dct").size(), 416);

    ASSERT_TRUE(QFile::remove(root + "/voc/english.dct"));
    ASSERT_TRUE(UserSetup::ensure(registry, messages, paths));
    EXPECT_FALSE(QFileInfo::exists(root + "/voc/english.dct"));

    // A dictionary of the same name that the user already had survives a
    // first run too (settings lost, dictionary kept).
    writeAll(root + "/voc/english.dct", QByteArray(624, '\0'));
    ASSERT_TRUE(QFile::remove(registry.fileName()));
    ASSERT_TRUE(UserSetup::ensure(registry, messages, paths));
    EXPECT_EQ(readAll(root + "/voc/english.dct").size(), 624);
    EXPECT_EQ(loaded().uiTimer(), 5u * 60000u);
    EXPECT_EQ(loaded().uiDictRecCount(), 3u);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(UserSetupTest, ProgramFilesFollowTheInstallation)
{
    ASSERT_TRUE(UserSetup::ensure(registry, messages, paths));
    const QString root = paths.programFolder;

    // A new installation brings a new help file and a new module; the program
    // moved, so the link follows it.
    writeAll(installed + "/mox.qch", "help version 2");
    writeAll(modules + "/extra", "module");
    writeAll(QString::fromStdString(tmp.str()) + "/bin2/mox", "program");
    paths.executable = QString::fromStdString(tmp.str()) + "/bin2/mox";
    ASSERT_TRUE(UserSetup::ensure(registry, messages, paths));
    EXPECT_EQ(readAll(root + "/mox.qch"), "help version 2");
    EXPECT_EQ(readAll(root + "/mod/extra"), "module");
    EXPECT_EQ(QFileInfo(root + "/Mox").symLinkTarget(), paths.executable);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(QFileInfo::exists(root + "/mox.qch.part"));
}

TEST_F(UserSetupTest, WithoutAnInstallationTheSettingsAreStillWritten)
{
    paths.installedData = QString::fromStdString(tmp.str()) + "/nowhere";
    paths.installedModules = QString::fromStdString(tmp.str()) + "/nowhere/mod";
    ASSERT_TRUE(UserSetup::ensure(registry, messages, paths));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(QFileInfo::exists(paths.programFolder + "/voc/english.dct"));
    Settings s = loaded();
    EXPECT_TRUE(loadMessages.shown.empty());
    EXPECT_EQ(s.sCurDict(), "english.dct");
    EXPECT_EQ(s.uiDictRecCount(), 0u);
}

TEST_F(UserSetupTest, AFolderThatCannotBeMadeIsReportedAndLeavesNoSettings)
{
    // A file stands where the program folder belongs.
    writeAll(paths.programFolder, "in the way");
    EXPECT_FALSE(UserSetup::ensure(registry, messages, paths));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
    EXPECT_NE(messages.shown[0].text.find(paths.programFolder.toStdString()), std::string::npos);
    EXPECT_FALSE(registry.exists());

    // Settings that cannot be written are reported, and none are left half-made.
    ASSERT_TRUE(QFile::remove(paths.programFolder));
    messages.clear();
    ASSERT_TRUE(QDir().mkpath(registry.fileName()));   // a folder where the file belongs
    EXPECT_FALSE(UserSetup::ensure(registry, messages, paths));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("Mox!.conf"), std::string::npos);
    EXPECT_FALSE(QFileInfo::exists(registry.fileName() + ".new"));

    // A program folder whose name the store could not read back is refused.
    ASSERT_TRUE(QDir(registry.fileName()).removeRecursively());
    messages.clear();
    paths.programFolder += "/" + QString(250, 'x');
    EXPECT_FALSE(UserSetup::ensure(registry, messages, paths));
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(registry.exists());
}

TEST_F(UserSetupTest, ASettingsFileWithoutAnyGroupIsKeptAsideAndTheFirstRunRuns)
{
    QByteArray random(4096, '\0');
    std::srand(7);
    for (char& c : random)
        c = static_cast<char>(std::rand());
    for (const QByteArray& damaged : {QByteArray(), random, QByteArray("sAppPath=/somewhere\n")}) {
        QDir(QFileInfo(registry.fileName()).path()).removeRecursively();
        writeAll(registry.fileName(), damaged);
        messages.clear();
        ASSERT_TRUE(UserSetup::ensure(registry, messages, paths));

        // One message names both files; the damaged one is beside, as it was.
        ASSERT_EQ(messages.shown.size(), 1u);
        const std::string& text = messages.shown[0].text;
        const QStringList backups =
            QDir(QFileInfo(registry.fileName()).path()).entryList({"Mox!.conf.*.bak"}, QDir::Files);
        ASSERT_EQ(backups.size(), 1);
        const QString backup = QFileInfo(registry.fileName()).path() + "/" + backups[0];
        EXPECT_EQ(readAll(backup), damaged);
        EXPECT_NE(text.find(backup.toStdString()), std::string::npos) << text;
        EXPECT_NE(text.find(registry.fileName().toStdString() + ""), std::string::npos) << text;

        // The new settings load without a single complaint.
        const Settings s = loaded();
        EXPECT_TRUE(loadMessages.shown.empty()) << loadMessages.shown.size() << " messages";
        EXPECT_EQ(s.sCurDict(), "english.dct");
        loadMessages.clear();
    }

    // A file that holds some of the groups is the user's: kept as it is
    // (load then reports what is missing).
    const QByteArray partial = "[Method]\niRowCount=5\n";
    writeAll(registry.fileName(), partial);
    messages.clear();
    ASSERT_TRUE(UserSetup::ensure(registry, messages, paths));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(readAll(registry.fileName()), partial);
}

TEST(UserSetupPaths, StandardPlacesAreBesideTheProgramAndUnderTheUserData)
{
    const auto p = UserSetup::standardPaths();
    EXPECT_EQ(p.installedData, QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/mox"));
    EXPECT_EQ(p.installedModules, QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../lib/mox/mod"));
    EXPECT_EQ(p.programFolder, qEnvironmentVariable("XDG_DATA_HOME") + "/mox");
    EXPECT_EQ(p.executable, QCoreApplication::applicationFilePath());
}

int main(int argc, char** argv)
{
    static TempDir data;
    ::setenv("XDG_DATA_HOME", data.str().c_str(), 1);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
