#include "language/FontInstall.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QSaveFile>
#include <QStandardPaths>

#include "platform/MessagePort.h"

namespace mox {
namespace {

void report(MessagePort& messages, const QString& text, MessageIcon icon = MessageIcon::Error)
{
    messages.show(text.toStdString(), icon, MessageButtons::Ok);
}

// The families of a font held in memory, or none when it is not a font.
QStringList familiesOf(const QByteArray& data)
{
    const int id = QFontDatabase::addApplicationFontFromData(data);
    if (id < 0)
        return {};
    QStringList families = QFontDatabase::applicationFontFamilies(id);
    QFontDatabase::removeApplicationFont(id);
    return families;
}

} // namespace

QString userFontFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/fonts");
}

FontInstallResult installUserFont(const QString& source, MessagePort& messages)
{
    FontInstallResult result;
    const QFileInfo info(source);
    if (!info.isFile())
        return result;  // NotFound: the dialog's choice no longer exists
    const QString name = info.fileName();

    QFile in(info.absoluteFilePath());
    if (!in.open(QIODevice::ReadOnly)) {
        result.status = FontInstallStatus::Failed;
        report(messages, QStringLiteral("Не удалось прочитать файл «%1»: %2.").arg(name, in.errorString()));
        return result;
    }
    const QByteArray data = in.readAll();
    in.close();
    const QStringList families = familiesOf(data);
    if (families.isEmpty()) {
        result.status = FontInstallStatus::NotAFont;
        report(messages, QStringLiteral("Файл «%1» не является файлом шрифта TrueType. Шрифт не установлен.").arg(name));
        return result;
    }

    const QString folder = userFontFolder();
    const QString target = QDir(folder).absoluteFilePath(name);
    bool same = false;
    bool replacing = false;
    if (QFileInfo::exists(target)) {
        QFile existing(target);
        same = existing.open(QIODevice::ReadOnly) && existing.readAll() == data;
        replacing = !same;
    }
    // A font goes into the user's fonts, for every program, only when the
    // user says so, knowing which font it is and where it goes.
    if (!same) {
        QString question = QStringLiteral("Установить шрифт «%1» из файла «%2»? Файл будет скопирован в папку шрифтов "
                                          "«%3», и шрифт станет доступен всем программам этого пользователя.")
                               .arg(families.join(QStringLiteral("», «")), name, folder);
        if (replacing)
            question += QStringLiteral(" В папке шрифтов уже есть другой файл «%1»; он будет заменён.").arg(name);
        if (messages.show(question.toStdString(), MessageIcon::Question, MessageButtons::YesNo) != MessageAnswer::Yes) {
            result.status = FontInstallStatus::Declined;
            return result;
        }
    }
    if (!QDir().mkpath(folder)) {
        result.status = FontInstallStatus::Failed;
        report(messages, QStringLiteral("Не удалось создать папку шрифтов «%1». Шрифт не установлен.").arg(folder));
        return result;
    }
    if (!same) {
        QSaveFile out(target);
        const bool written = out.open(QIODevice::WriteOnly) && out.write(data) == data.size() && out.commit();
        if (!written) {
            result.status = FontInstallStatus::Failed;
            report(messages, QStringLiteral("Не удалось записать шрифт в «%1»: %2. Шрифт не установлен.")
                                 .arg(target, out.errorString()));
            return result;
        }
    }

    result.installedPath = target;
    const int id = QFontDatabase::addApplicationFont(target);
    if (id < 0) {
        result.status = FontInstallStatus::Failed;
        report(messages, QStringLiteral("Шрифт скопирован в «%1», но загрузить его не удалось.").arg(target));
        return result;
    }
    result.fontId = id;
    result.families = QFontDatabase::applicationFontFamilies(id);
    result.status = same ? FontInstallStatus::AlreadyInstalled : FontInstallStatus::Installed;
    return result;
}

} // namespace mox
