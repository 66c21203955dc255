#ifndef ADAPTERLOCK_H
#define ADAPTERLOCK_H

#include <QString>
#include <QtGlobal>

// One user per adapter: a lock file per adapter, named after its device
// path, in the temporary folder, held with flock() while the adapter is open.
// The kernel drops the lock when its holder closes the file or dies, so a
// crash leaves nothing to clean up. The file says who holds it.
class AdapterLock
{
    Q_DISABLE_COPY(AdapterLock)

public:
    AdapterLock() = default;
    ~AdapterLock();

    // Takes the lock of the adapter at `path`. False when another program
    // (or another link of this one) holds it: *holder then names it
    // ("vanto-hub8, PID 4242"). A lock file that cannot be made or locked
    // at all does not keep the adapter from being used: true, with a warning.
    bool acquire(const QString &path, QString *holder);
    void release();
    bool isHeld() const { return m_fd >= 0; }

    // The lock file of the adapter at `path`.
    static QString lockFilePath(const QString &path);

private:
    int m_fd = -1;
};

// The device path of the first adapter on the bus; empty when there is none.
QString firstAdapterPath();

#endif // ADAPTERLOCK_H
