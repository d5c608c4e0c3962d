#pragma once
#include <QString>

#include "platform/RegistryPort.h"

namespace mox {

// The per-user settings store over QSettings in INI form: organisation
// "Jov Software", application "Mox!", user scope, so the file is
// $XDG_CONFIG_HOME/Jov Software/Mox!.conf. The product key
// "Software\\Jov Software\\Mox!" is the top level of the file and each subkey
// below it is a group ("...\\Mox!\\General" is the group General).
//
// Keys that nobody wrote fail to open: the product key exists once the file
// exists, a subkey once its group holds a value. A file that also holds lines
// that are no settings still opens and gives the values it has. Numbers are unsigned 32-bit,
// texts UTF-8; a text of 255 bytes or more can be neither read nor written.
// Every write goes to the file at once, and a write the file did not take is
// a failed write.
//
// The shell-folders key answers "Startup" with the XDG autostart folder,
// written with a variable reference that Settings::startupFolder expands.
class QtRegistry final : public RegistryPort {
public:
    // The standard file of the user scope.
    QtRegistry();
    // An explicit settings file (tests, or a store elsewhere).
    explicit QtRegistry(QString fileName);

    std::unique_ptr<RegistryKey> openKey(const std::string& path) override;
    std::string location() const override { return fileName_.toStdString(); }

    // Opens a key, creating it (and the file) when missing. Only the first
    // run's setup creates keys; the program itself only opens them.
    std::unique_ptr<RegistryKey> createKey(const std::string& path);

    // The settings file this store reads and writes.
    QString fileName() const { return fileName_; }
    // Whether the settings file exists (the user has settings).
    bool exists() const;

    // The standard settings file of the user scope.
    static QString standardFileName();
    // The text the shell-folders key gives for "Startup".
    static std::string startupReference();

    static constexpr std::size_t kMaxTextBytes = 254;

private:
    std::unique_ptr<RegistryKey> open(const std::string& path, bool create);

    QString fileName_;
};

} // namespace mox
