#pragma once
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <unistd.h>

// A headless sway session of the test's own. sway refuses to run as root, so
// under root it runs as `nobody` through setpriv, in a runtime folder of its
// own; the test, as root, may still use its socket. Input comes from wtype
// through the virtual-keyboard protocol.
class SwaySession {
public:
    // Why the session cannot run here, or empty when it runs.
    QString start()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("sway")).isEmpty())
            return QStringLiteral("sway is not installed");
        if (!folder_.isValid())
            return QStringLiteral("no temporary folder");
        runtime_ = folder_.filePath(QStringLiteral("run"));
        QDir().mkpath(runtime_);
        QFile config(folder_.filePath(QStringLiteral("config")));
        if (!config.open(QIODevice::WriteOnly))
            return QStringLiteral("no sway configuration");
        config.write("output HEADLESS-1 resolution 1024x768\n");
        config.close();
        QStringList command;
        if (::geteuid() == 0) {
            if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
                return QStringLiteral("setpriv is not installed");
            for (const QString& path : {folder_.path(), runtime_, config.fileName()})
                if (::chown(QFile::encodeName(path).constData(), 65534, 65534) != 0)
                    return QStringLiteral("cannot hand the folder to nobody");
            command = {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                       QStringLiteral("--clear-groups")};
        }
        QFile::setPermissions(runtime_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        command << QStringLiteral("env") << QStringLiteral("-i") << QStringLiteral("HOME=") + folder_.path()
                << QStringLiteral("XDG_RUNTIME_DIR=") + runtime_ << QStringLiteral("WLR_BACKENDS=headless")
                << QStringLiteral("WLR_LIBINPUT_NO_DEVICES=1") << QStringLiteral("WLR_RENDERER=pixman")
                << QStringLiteral("PATH=/usr/bin:/bin") << QStringLiteral("sway") << QStringLiteral("-c")
                << config.fileName();
        sway_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sway_.setStandardOutputFile(QProcess::nullDevice());
        sway_.start(command.takeFirst(), command);
        if (!sway_.waitForStarted(5000))
            return QStringLiteral("sway does not start");
        for (int i = 0; i < 100; ++i) {
            if (QFileInfo::exists(display()))
                return {};
            QThread::msleep(50);
        }
        return QStringLiteral("sway made no Wayland socket");
    }

    ~SwaySession()
    {
        if (sway_.state() != QProcess::NotRunning) {
            sway_.terminate();
            if (!sway_.waitForFinished(3000))
                sway_.kill();
            sway_.waitForFinished(3000);
        }
    }

    // The Wayland display as an absolute socket path.
    QString display() const { return runtime_ + QStringLiteral("/wayland-1"); }

    // Types the text through a virtual keyboard, `delayMs` between the keys;
    // waits until it is typed.
    bool type(const QString& text, int delayMs = 0)
    {
        QProcess wtype;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), display());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_);
        wtype.setProcessEnvironment(env);
        QStringList arguments;
        if (delayMs > 0)
            arguments << QStringLiteral("-d") << QString::number(delayMs);
        arguments << text;
        wtype.start(QStringLiteral("wtype"), arguments);
        return wtype.waitForFinished(30000) && wtype.exitCode() == 0;
    }

private:
    QTemporaryDir folder_;
    QString runtime_;
    QProcess sway_;
};
