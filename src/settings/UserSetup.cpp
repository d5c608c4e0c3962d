#include "settings/UserSetup.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/qt/QtRegistry.h"
#include "settings/Settings.h"
#include "settings/SettingsTable.h"
#include "store/DictionaryFile.h"
#include "store/DictionaryFolder.h"

namespace mox {

namespace {

// A message port for the Settings objects the setup fills: their values are
// set here, never read from a store, so they have nothing to say.
class Quiet final : public MessagePort {
public:
    MessageAnswer show(std::string_view, MessageIcon, MessageButtons, std::string_view) override
    {
        return MessageAnswer::Ok;
    }
};

std::filesystem::path fsPath(const QString& path) { return std::filesystem::path(path.toStdString()); }

// Copies source over target through a temporary file beside it, so the target
// is either the old file or the whole new one.
bool copyOver(const QString& source, const QString& target)
{
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    if (!QFile::copy(source, part))
        return false;
    QFile::setPermissions(part, QFile::permissions(source) | QFile::ReadOwner | QFile::WriteOwner);
    std::error_code ec;
    std::filesystem::rename(fsPath(part), fsPath(target), ec);
    if (ec) {
        QFile::remove(part);
        return false;
    }
    return true;
}

// A program file (help, font, module) is refreshed when the installation has
// one that differs from the user's copy.
bool refresh(const QString& source, const QString& target)
{
    const QFileInfo from(source);
    if (!from.isFile())
        return true;   // not installed: nothing to refresh from
    const QFileInfo to(target);
    if (to.isFile() && to.size() == from.size() && to.lastModified() >= from.lastModified())
        return true;
    return copyOver(source, target);
}

// The records and the active records of a dictionary file.
struct Counts {
    std::uint32_t records = 0, active = 0;
};
Counts countWords(const QString& file)
{
    Counts counts;
    if (const std::optional<DictionaryCounts> read = DictionaryFile(file.toStdString()).counts()) {
        counts.records = read->live;
        counts.active = read->active;
    }
    return counts;
}

QString message(const char* text, const QString& path) { return QString::fromUtf8(text) + path; }

void tell(MessagePort& messages, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    messages.show(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), MessageIcon::Error);
}

// Writes `values` into a settings file of their own, in one pass, and moves
// it into place whole: a start that breaks off half-way leaves the old file
// (or none), and the next start tries again. Every row of the settings table
// is written as the settings store reads it back: numbers as unsigned
// decimals, texts as text, the program folder at the top of the file and each
// group of the table a group of the file.
bool writeSettingsFile(const QString& target, const Settings& values)
{
    // A program folder too long for the store to read back would be lost.
    if (values.appPath().size() > QtRegistry::kMaxTextBytes)
        return false;
    const QString fresh = target + QStringLiteral(".new");
    QFile::remove(fresh);
    if (!QDir().mkpath(QFileInfo(target).path()))
        return false;
    {
        QSettings store(fresh, QSettings::IniFormat);
        for (const SettingRow& row : settingsTable()) {
            QString key = QString::fromLatin1(row.name);
            if (*row.group != '\0')
                key.prepend(QString::fromLatin1(row.group) + QLatin1Char('/'));
            if (row.isText())
                store.setValue(key, QString::fromStdString(row.storeText(values)));
            else
                store.setValue(key, QVariant::fromValue(static_cast<uint>(row.store(values))));
        }
        store.sync();
        if (store.status() != QSettings::NoError) {
            QFile::remove(fresh);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(fsPath(fresh), fsPath(target), ec);
    if (ec) {
        QFile::remove(fresh);
        return false;
    }
    return true;
}

// The first run's settings: every value of the table at its first-run value,
// the program folder, and the counts of the starter dictionary.
bool writeFirstRunSettings(QtRegistry& registry, const UserSetup::Paths& paths, Counts counts)
{
    Quiet quiet;
    Settings values(quiet);
    values.setFirstRunValues();
    values.setAppPath(paths.programFolder.toStdString());
    values.setUiDictRecCount(counts.records);
    values.setUiDictActiveCount(counts.active);
    return writeSettingsFile(registry.fileName(), values);
}

// Whether the settings file holds at least one group of the program. A file
// that holds none (empty, random bytes, another program's file) gives the
// program nothing to keep.
bool holdsSettings(const QString& file)
{
    const QSettings store(file, QSettings::IniFormat);
    if (store.status() == QSettings::AccessError)
        return false;
    const QStringList groups = store.childGroups();
    for (const SettingRow& row : settingsTable())
        if (*row.group != '\0' && groups.contains(QString::fromLatin1(row.group)))
            return true;
    return false;
}

// A name for a dated backup of the settings file beside it,
// "<file>.<date>-<time>.bak", that no file has yet.
QString backupName(const QString& file)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString backup = file + QLatin1Char('.') + stamp + QStringLiteral(".bak");
    for (int n = 2; QFileInfo::exists(backup); ++n)
        backup = file + QLatin1Char('.') + stamp + QLatin1Char('-') + QString::number(n) + QStringLiteral(".bak");
    return backup;
}

// Moves a settings file that holds none of the program's groups aside as a
// dated backup, so the first run can write fresh settings. The backup name
// (empty on failure).
QString moveAsideUnusableSettings(const QString& file)
{
    const QString backup = backupName(file);
    std::error_code ec;
    std::filesystem::rename(fsPath(file), fsPath(backup), ec);
    return ec ? QString() : backup;
}

void warn(MessagePort& messages, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    messages.show(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), MessageIcon::Warning);
}

// A settings file that holds the program's groups but lacks values, holds
// numbers the program does not take or lines that are no settings (a file cut
// short, a group lost, bytes overwritten) is written anew: the values it
// holds are kept, the others take their first-run values (the program folder
// its place), the old file stays beside as a dated backup and one message
// says so. Once repaired, the next start finds nothing to say. False when
// the repair could not be written (the user is told; the file stays as it
// was, and the program runs on the first-run values of what is missing).
bool repairDamagedSettings(QtRegistry& registry, MessagePort& messages, const UserSetup::Paths& paths)
{
    const QString file = registry.fileName();
    Quiet quiet;
    Settings values(quiet);
    const std::vector<std::string> damaged = values.load(registry);
    const bool strayLines = QSettings(file, QSettings::IniFormat).status() == QSettings::FormatError;
    if (damaged.empty() && !strayLines)
        return true;
    if (std::find(damaged.begin(), damaged.end(), "sAppPath") != damaged.end())
        values.setAppPath(paths.programFolder.toStdString());

    const QString backup = backupName(file);
    if (!QFile::copy(file, backup) || !writeSettingsFile(file, values)) {
        QFile::remove(backup);
        tell(messages, QStringLiteral("Файл настроек повреждён, и восстановить его не удалось:\n") + file +
                           QStringLiteral("\nНедостающие настройки действуют со своими начальными значениями."));
        return false;
    }
    const QString what = damaged.empty()
                             ? QStringLiteral("были строки, которые не являются настройками. Файл записан заново, "
                                              "настройки сохранены.")
                             : QStringLiteral("недоставало значений или они были неверны: ") +
                                   QString::fromStdString(settingNames(damaged)) +
                                   QStringLiteral(". Им даны начальные значения, остальные настройки сохранены.");
    warn(messages, QStringLiteral("В файле настроек\n") + file + QLatin1Char('\n') + what +
                       QStringLiteral(" Прежний файл сохранён как\n") + backup);
    return true;
}

} // namespace

UserSetup::Paths UserSetup::standardPaths()
{
    Paths p;
    p.installedData = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/mox"));
    p.installedModules = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/mox/mod"));
    p.programFolder = QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                      QStringLiteral("/mox"));
    p.executable = QCoreApplication::applicationFilePath();
    return p;
}

bool UserSetup::ensure(QtRegistry& registry, MessagePort& messages)
{
    return ensure(registry, messages, standardPaths());
}

bool UserSetup::ensure(QtRegistry& registry, MessagePort& messages, const Paths& paths)
{
    const QString root = paths.programFolder;
    const QString installed = paths.installedData;

    for (const QString& folder : {root, root + "/voc", root + "/mod", root + "/fonts"}) {
        if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
            tell(messages, message("Не удалось создать папку программы ", folder));
            return false;
        }
    }

    // The program's own files follow the installation.
    QStringList files = {QStringLiteral("mox.qch"), QStringLiteral("fonts/transmox.ttf"),
                         QStringLiteral("fonts/LICENSE-DejaVu.txt")};
    for (const QString& file : files) {
        if (!refresh(installed + "/" + file, root + "/" + file)) {
            tell(messages, message("Не удалось скопировать файл программы ", root + "/" + file));
            return false;
        }
    }
    for (const QString& name : QDir(paths.installedModules).entryList(QDir::Files)) {
        if (!refresh(paths.installedModules + "/" + name, root + "/mod/" + name)) {
            tell(messages, message("Не удалось скопировать файл программы ", root + "/mod/" + name));
            return false;
        }
    }

    // The link "Mox" to the program, which the autostart entry starts.
    if (!paths.executable.isEmpty()) {
        const QString link = root + QStringLiteral("/Mox");
        const QFileInfo current(link);
        if (current.isSymLink() && current.symLinkTarget() != QFileInfo(paths.executable).absoluteFilePath())
            QFile::remove(link);
        if (!QFileInfo(link).isSymLink() && !QFileInfo::exists(link))
            QFile::link(paths.executable, link);
    }

    QString damaged;
    if (registry.exists()) {
        if (holdsSettings(registry.fileName()))
            return repairDamagedSettings(registry, messages, paths);
        damaged = moveAsideUnusableSettings(registry.fileName());
        if (damaged.isEmpty()) {
            tell(messages, message("Не удалось переименовать повреждённый файл настроек ", registry.fileName()));
            return false;
        }
    }

    // First run: the starter dictionary, then the settings that make it current.
    const QString starterName = QString::fromUtf8(settingRow("sCurDict").firstRunText);
    const QString dictionary = root + QStringLiteral("/voc/") + starterName;
    const QString starter = installed + QStringLiteral("/voc/") + starterName;
    if (!QFileInfo::exists(dictionary) && QFileInfo(starter).isFile() &&
        !DictionaryFolder((root + QStringLiteral("/voc")).toStdString())
             .copyIn(starter.toStdString(), starterName.toStdString())) {
        tell(messages, message("Не удалось скопировать словарь ", dictionary));
        return false;
    }
    if (!writeFirstRunSettings(registry, paths, countWords(dictionary))) {
        tell(messages, message("Не удалось записать начальные настройки ", registry.fileName()));
        return false;
    }
    if (!damaged.isEmpty())
        warn(messages, QStringLiteral("В файле настроек не нашлось ни одного раздела настроек программы. "
                                      "Он сохранён как\n") +
                           damaged + QStringLiteral("\nи заменён начальными настройками:\n") + registry.fileName());
    return true;
}

} // namespace mox
