#include "platform/qt/InstanceLock.h"

#include <QDir>
#include <QFileInfo>
#include <unistd.h>

namespace mox {

QString InstanceLock::defaultFileName()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(QStringLiteral("Mox!.lock"));
    return QDir(QDir::tempPath()).filePath(QStringLiteral("Mox!-%1.lock").arg(::getuid()));
}

InstanceLock::InstanceLock(const QString& folder)
    : fileName_(folder.isEmpty() ? defaultFileName() : QDir(folder).filePath(QStringLiteral("Mox!.lock")))
{
}

InstanceLock::~InstanceLock()
{
    release();
}

InstanceLock::Result InstanceLock::acquire()
{
    if (held_)
        return Result::Acquired;
    lock_ = std::make_unique<QLockFile>(fileName_);
    // A running copy may hold the lock for days: only a lock whose owner is
    // gone counts as stale, never one that is merely old.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) {
        held_ = true;
        return Result::Acquired;
    }
    const QLockFile::LockError error = lock_->error();
    lock_.reset();
    return error == QLockFile::LockFailedError ? Result::HeldByOther : Result::Unavailable;
}

void InstanceLock::release()
{
    if (lock_ && held_)
        lock_->unlock();
    lock_.reset();
    held_ = false;
}

} // namespace mox
