#pragma once
#include <QLockFile>
#include <QString>
#include <memory>

namespace mox {

// The rule that only one copy of the program runs per user: a lock file in
// $XDG_RUNTIME_DIR ("Mox!.lock"), or in the temporary folder where that is
// unset or missing ("Mox!-<uid>.lock", so users sharing /tmp do not block each
// other). The lock is held for the life of this object; a copy that died
// without releasing it leaves a stale file that the next start takes over.
//
// In App, before anything is shown:
//     mox::InstanceLock lock;
//     if (lock.acquire() == mox::InstanceLock::Result::HeldByOther)
//         return 0; // another copy runs: end without any visible effect
class InstanceLock {
public:
    enum class Result {
        Acquired,    // this copy is the only one
        HeldByOther, // another living copy holds the lock
        Unavailable, // the lock file could not be made (no folder, no rights);
                     // the program runs rather than refusing to start
    };

    // folder empty: the folder described above.
    explicit InstanceLock(const QString& folder = {});
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Result acquire();
    void release();
    bool held() const { return held_; }
    QString fileName() const { return fileName_; }

    // The folder and file name used when none is given.
    static QString defaultFileName();

private:
    QString fileName_;
    std::unique_ptr<QLockFile> lock_;
    bool held_ = false;
};

} // namespace mox
