#include "platform/qt/QtRegistry.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringDecoder>
#include <QStringList>

#include "settings/Settings.h"

namespace mox {

namespace {

// A value name that QSettings would read as a path of groups is not a value
// name of this store.
bool validName(const std::string& name)
{
    return !name.empty() && name.find('/') == std::string::npos && name.find('\\') == std::string::npos;
}

// One key: the settings file and the group path ("" for the product key,
// "General/" for a subkey). Each operation takes a fresh QSettings so that the
// status it reports belongs to that operation alone; QSettings shares the
// parsed file between them.
class QtRegistryKey final : public RegistryKey {
public:
    QtRegistryKey(QString fileName, QString prefix) : fileName_(std::move(fileName)), prefix_(std::move(prefix)) {}

    std::optional<std::uint32_t> readNumber(const std::string& name) override
    {
        if (!validName(name))
            return std::nullopt;
        QSettings store(fileName_, QSettings::IniFormat);
        const QVariant v = store.value(prefix_ + QString::fromStdString(name));
        if (!v.isValid() || v.typeId() == QMetaType::QStringList)
            return std::nullopt;
        bool ok = false;
        const uint number = v.toString().trimmed().toUInt(&ok, 10);
        if (!ok)
            return std::nullopt;
        return static_cast<std::uint32_t>(number);
    }

    std::optional<std::string> readText(const std::string& name) override
    {
        if (!validName(name))
            return std::nullopt;
        QSettings store(fileName_, QSettings::IniFormat);
        const QVariant v = store.value(prefix_ + QString::fromStdString(name));
        if (!v.isValid())
            return std::nullopt;
        // An unquoted text with commas, written by hand, comes back as a list.
        const QString text = v.typeId() == QMetaType::QStringList ? v.toStringList().join(QStringLiteral(", "))
                                                                  : v.toString();
        QByteArray bytes = text.toUtf8();
        if (static_cast<std::size_t>(bytes.size()) > QtRegistry::kMaxTextBytes)
            return std::nullopt;
        return bytes.toStdString();
    }

    bool writeNumber(const std::string& name, std::uint32_t value) override
    {
        if (!validName(name))
            return false;
        return write(name, QVariant::fromValue(static_cast<uint>(value)));
    }

    bool writeText(const std::string& name, const std::string& value) override
    {
        if (!validName(name) || value.size() > QtRegistry::kMaxTextBytes)
            return false;
        // Refuse bytes that are not UTF-8 rather than store replacement marks.
        QStringDecoder decode(QStringDecoder::Utf8);
        const QString text = decode(QByteArrayView(value.data(), static_cast<qsizetype>(value.size())));
        if (decode.hasError())
            return false;
        return write(name, text);
    }

private:
    bool write(const std::string& name, const QVariant& value)
    {
        QSettings store(fileName_, QSettings::IniFormat);
        if (!store.isWritable())
            return false;
        store.setValue(prefix_ + QString::fromStdString(name), value);
        store.sync();
        return store.status() == QSettings::NoError;
    }

    QString fileName_;
    QString prefix_;
};

// The shell-folders key: only "Startup", the XDG autostart folder. Nothing in
// it is ever written.
class ShellFoldersKey final : public RegistryKey {
public:
    std::optional<std::uint32_t> readNumber(const std::string&) override { return std::nullopt; }
    std::optional<std::string> readText(const std::string& name) override
    {
        if (name != "Startup")
            return std::nullopt;
        return QtRegistry::startupReference();
    }
    bool writeNumber(const std::string&, std::uint32_t) override { return false; }
    bool writeText(const std::string&, const std::string&) override { return false; }
};

} // namespace

QtRegistry::QtRegistry() : fileName_(standardFileName()) {}

QtRegistry::QtRegistry(QString fileName) : fileName_(std::move(fileName)) {}

QString QtRegistry::standardFileName()
{
    // The native format of the user scope is this same INI form on Linux and
    // names the file "Mox!.conf"; every access then reads it as INI.
    const QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Jov Software"),
                          QStringLiteral("Mox!"));
    return store.fileName();
}

std::string QtRegistry::startupReference()
{
    // A relative XDG_CONFIG_HOME is invalid and is ignored, as the XDG rules say.
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!config.isEmpty() && config.startsWith(QLatin1Char('/')))
        return "${XDG_CONFIG_HOME}/autostart";
    return "${HOME}/.config/autostart";
}

bool QtRegistry::exists() const
{
    return QFileInfo(fileName_).isFile();
}

std::unique_ptr<RegistryKey> QtRegistry::openKey(const std::string& path)
{
    return open(path, false);
}

std::unique_ptr<RegistryKey> QtRegistry::createKey(const std::string& path)
{
    return open(path, true);
}

std::unique_ptr<RegistryKey> QtRegistry::open(const std::string& path, bool create)
{
    if (path == Settings::kShellFoldersKey)
        return create ? nullptr : std::make_unique<ShellFoldersKey>();

    const std::string product = Settings::kProductKey;
    if (path.compare(0, product.size(), product) != 0)
        return nullptr;
    QStringList groups;
    if (path.size() > product.size()) {
        if (path[product.size()] != '\\')
            return nullptr;
        groups = QString::fromStdString(path.substr(product.size() + 1)).split(QLatin1Char('\\'));
        for (const QString& group : groups)
            if (group.isEmpty() || group.contains(QLatin1Char('/')))
                return nullptr;
    }

    if (!create) {
        if (!exists())
            return nullptr;
        // A file with lines that are no settings still gives the values it
        // holds, so that the start-up setup can repair it keeping them.
        QSettings store(fileName_, QSettings::IniFormat);
        if (store.status() == QSettings::AccessError)
            return nullptr;
        for (const QString& group : groups) {
            if (!store.childGroups().contains(group))
                return nullptr;
            store.beginGroup(group);
        }
    }
    const QString prefix = groups.isEmpty() ? QString() : groups.join(QLatin1Char('/')) + QLatin1Char('/');
    return std::make_unique<QtRegistryKey>(fileName_, prefix);
}

} // namespace mox
