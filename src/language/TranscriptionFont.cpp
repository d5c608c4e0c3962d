#include "language/TranscriptionFont.h"

#include <QFileInfo>
#include <QFontDatabase>

#include "settings/Settings.h"

namespace mox {

TranscriptionFont::~TranscriptionFont()
{
    remove();
}

QString TranscriptionFont::defaultPath(const Settings& settings)
{
    return QString::fromStdString(settings.appPath()) + QStringLiteral("/fonts/") +
           QLatin1String(kFileName);
}

bool TranscriptionFont::install(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.absoluteFilePath();
    if (installed() && canonical == path_)
        return true;
    if (!info.isFile())
        return false;
    const int id = QFontDatabase::addApplicationFont(canonical);
    if (id < 0)
        return false;
    remove();
    id_ = id;
    path_ = canonical;
    return true;
}

bool TranscriptionFont::remove()
{
    if (!installed())
        return false;
    const bool removed = QFontDatabase::removeApplicationFont(id_);
    id_ = -1;
    path_.clear();
    return removed;
}

QStringList TranscriptionFont::families() const
{
    return installed() ? QFontDatabase::applicationFontFamilies(id_) : QStringList{};
}

} // namespace mox
