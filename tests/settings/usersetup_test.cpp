#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cstdlib>
#include <unistd.h>
#include <functional>

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

// Writes a file as another program would between two starts. Qt keeps the
// settings files it read and reads one again only when its size or time
// changed; a rewrite of the same size within the file system's time tick
// would go unseen in this one process, so the time is set a minute ahead.
void writeAll(const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(name).path());
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    const QDateTime later = QFileInfo(name).lastModified().addSecs(60);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(later, QFileDevice::FileModificationTime));
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

    // A file that holds some of the groups is the user's: what it holds is
    // kept, the rest repaired.
    writeAll(registry.fileName(), "[Method]\niRowCount=7\n");
    messages.clear();
    ASSERT_TRUE(UserSetup::ensure(registry, messages, paths));
    EXPECT_EQ(messages.shown.size(), 1u);
    const Settings s = loaded();
    EXPECT_EQ(s.iRowCount(), 7);
    EXPECT_EQ(s.appPath(), paths.programFolder.toStdString());
}

namespace {

// A settings file damaged in one of the ways seen in use.
struct Damage {
    const char* what;
    std::function<QByteArray(const QByteArray&)> apply;
    // Whether the user's changes (an interval of 2 minutes, german.dct) are
    // still in the damaged file, to be kept by the repair.
    bool keepsInterval, keepsDictionary;
};

QByteArray without(QByteArray bytes, const QByteArray& from, const QByteArray& to)
{
    const qsizetype start = bytes.indexOf(from);
    const qsizetype end = to.isEmpty() ? bytes.size() : bytes.indexOf(to, start + 1);
    return bytes.remove(start, end - start);
}

} // namespace

TEST_F(UserSetupTest, DamagedSettingsAreRepairedOnceKeepingWhatTheyHold)
{
    std::srand(11);
    QByteArray noise(48, '\0');
    for (char& c : noise)
        c = static_cast<char>(std::rand());
    const std::vector<Damage> damages = {
        // Qt writes [Dicts] near the top and [%General] after [Fonts].
        {"cut at half its length", [](const QByteArray& b) { return b.left(b.size() / 2); }, false, true},
        {"one group missing", [](const QByteArray& b) { return without(b, "[Dicts]", "["); }, true, false},
        {"one value missing", [](const QByteArray& b) { return without(b, "uiTimer=", "\n"); }, false, true},
        {"random bytes in the middle",
         // From the start of the first value of [Fonts] on, whatever the
         // values before it make of the file's layout.
         [&](const QByteArray& b) {
             return QByteArray(b).replace(b.indexOf('\n', b.indexOf("[Fonts]")) + 1, noise.size(), noise);
         },
         true, true},
        {"a mode the program lacks", [](const QByteArray& b) { return QByteArray(b).replace("iMainRegim=0", "iMainRegim=7"); },
         true, true},
        {"a section header cut short", [](const QByteArray& b) { return QByteArray(b).replace("[Method]", "[Meth"); },
         true, true},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        QDir(QFileInfo(registry.fileName()).path()).removeRecursively();
        messages.clear();
        ASSERT_TRUE(UserSetup::ensure(registry, messages, paths));
        ASSERT_TRUE(registry.openKey(std::string(Settings::kProductKey) + "\\General")->writeNumber("uiTimer", 120000));
        ASSERT_TRUE(registry.openKey(std::string(Settings::kProductKey) + "\\Dicts")->writeText("sCurDict", "german.dct"));
        const QByteArray damaged = damage.apply(readAll(registry.fileName()));
        writeAll(registry.fileName(), damaged);

        // Repaired with one message that names the backup, which holds the
        // damaged file as it was.
        ASSERT_TRUE(UserSetup::ensure(registry, messages, paths));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);
        const QStringList backups =
            QDir(QFileInfo(registry.fileName()).path()).entryList({"Mox!.conf.*.bak"}, QDir::Files);
        ASSERT_EQ(backups.size(), 1);
        const QString backup = QFileInfo(registry.fileName()).path() + "/" + backups[0];
        EXPECT_EQ(readAll(backup), damaged);
        EXPECT_NE(messages.shown[0].text.find(backup.toStdString()), std::string::npos) << messages.shown[0].text;

        // Every value is there again; what the file still held is kept.
        QtRegistry reader(registry.fileName());
        Settings s(loadMessages);
        EXPECT_EQ(s.load(reader), std::vector<std::string>{});
        EXPECT_TRUE(loadMessages.shown.empty());
        EXPECT_EQ(s.uiTimer(), damage.keepsInterval ? 120000u : 5u * 60000u);
        EXPECT_EQ(s.sCurDict(), damage.keepsDictionary ? "german.dct" : "english.dct");
        EXPECT_EQ(s.iMainRegim(), Mode::Choice);
        EXPECT_EQ(s.appPath(), paths.programFolder.toStdString());
        EXPECT_EQ(QSettings(registry.fileName(), QSettings::IniFormat).status(), QSettings::NoError);

        // Said once: the next start finds nothing to repair.
        messages.clear();
        ASSERT_TRUE(UserSetup::ensure(registry, messages, paths));
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(QDir(QFileInfo(registry.fileName()).path()).entryList({"Mox!.conf.*.bak"}, QDir::Files).size(), 1);
    }
}

TEST_F(UserSetupTest, ARepairThatCannotBeWrittenIsToldOnceAndTheProgramRunsOnFirstRunValues)
{
    ASSERT_TRUE(UserSetup::ensure(registry, messages, paths));
    const QByteArray damaged = without(readAll(registry.fileName()), "[Method]", "[");
    writeAll(registry.fileName(), damaged);
    // The new file's place is taken: the repair cannot be written.
    ASSERT_TRUE(QDir().mkpath(registry.fileName() + ".new"));
    EXPECT_FALSE(UserSetup::ensure(registry, messages, paths));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
    EXPECT_NE(messages.shown[0].text.find(registry.fileName().toStdString()), std::string::npos);
    // The file is left as it was, with no backup of it beside.
    EXPECT_EQ(readAll(registry.fileName()), damaged);
    EXPECT_TRUE(QDir(QFileInfo(registry.fileName()).path()).entryList({"Mox!.conf.*.bak"}, QDir::Files).isEmpty());

    // Loading then says nothing more; the Method values are the first run's.
    const Settings s = loaded();
    EXPECT_TRUE(loadMessages.shown.empty());
    EXPECT_EQ(s.iShowCount(), 10);
    EXPECT_TRUE(s.iHideState());
}

TEST(UserSetupPaths, StandardPlacesAreBesideTheProgramAndUnderTheUserData)
{
    const auto p = UserSetup::standardPaths();
    EXPECT_EQ(p.installedData, QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/mox"));
    EXPECT_EQ(p.installedModules, QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../lib/mox/mod"));
    EXPECT_EQ(p.programFolder, qEnvironmentVariable("XDG_DATA_HOME") + "/mox");
    EXPECT_EQ(p.executable, QCoreApplication::applicationFilePath());
}

namespace {

constexpr const char* kReadOnlyHome = "MOX_TEST_READONLY_HOME";
std::string selfPath;

// A start of the program in a home it may not change: the setup cannot make
// the program folder, and loading and saving the settings add no messages
// of their own to the one that says so.
void startInReadOnlyHome(const QString& home, const QString& installed)
{
    UserSetup::Paths paths{installed, home + "/.local/share/mox", {}};
    QtRegistry registry(home + "/.config/Jov Software/Mox!.conf");
    RecordingMessages messages;
    EXPECT_FALSE(UserSetup::ensure(registry, messages, paths));
    Settings settings(messages);
    settings.load(registry);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find(paths.programFolder.toStdString()), std::string::npos);
    EXPECT_EQ(settings.uiTimer(), 5u * 60000u);
    EXPECT_FALSE(QFileInfo::exists(registry.fileName()));

    // Closing the options sheet then saves nothing, and says so once.
    EXPECT_FALSE(settings.save(registry));
    EXPECT_EQ(messages.shown.size(), 2u);
}

} // namespace

// Run by the test below in a process of an unprivileged user.
TEST(UserSetupReadOnlyHome, Child)
{
    const char* home = std::getenv(kReadOnlyHome);
    if (!home)
        GTEST_SKIP() << "runs only inside OneMessageAtStart";
    startInReadOnlyHome(QString::fromLocal8Bit(home), QString::fromLocal8Bit(home) + "/share");
}

TEST(UserSetupReadOnlyHome, OneMessageAtStart)
{
    if (std::getenv(kReadOnlyHome))
        GTEST_SKIP() << "the child's own run";
    TempDir dir;
    const QString home = QString::fromStdString(dir.str());
    if (::geteuid() != 0) {
        QFile::setPermissions(home, QFile::ReadOwner | QFile::ExeOwner);
        startInReadOnlyHome(home, home + "/share");
        QFile::setPermissions(home, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return;
    }
    // Permission bits do not stop root: the start runs as "nobody", for whom
    // the home (root's, 0755) is read-only.
    if (::access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "running as root without setpriv: cannot check a read-only home";
    const std::string output = dir.str() + "-child.log";
    const std::string command = std::string(kReadOnlyHome) + "='" + dir.str() +
                                "' /usr/bin/setpriv --reuid=nobody --regid=nogroup --clear-groups '" + selfPath +
                                "' --gtest_filter=UserSetupReadOnlyHome.Child > '" + output + "' 2>&1";
    const int status = std::system(command.c_str());
    const QByteArray log = readAll(QString::fromStdString(output));
    QFile::remove(QString::fromStdString(output));
    if (!log.contains("[ RUN      ] UserSetupReadOnlyHome.Child"))
        GTEST_SKIP() << "could not run the start as an unprivileged user: " << log.toStdString();
    EXPECT_EQ(status, 0) << log.toStdString();
    EXPECT_TRUE(log.contains("[  PASSED  ] 1 test")) << log.toStdString();
    EXPECT_FALSE(log.contains("SKIPPED")) << log.toStdString();
}

int main(int argc, char** argv)
{
    selfPath = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().toStdString();
    static TempDir data;
    ::setenv("XDG_DATA_HOME", data.str().c_str(), 1);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
