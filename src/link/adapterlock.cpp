#include "adapterlock.h"

#include "adapterinfo.h"

#include "log/hub8log.h"

#include <hidapi.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

AdapterLock::~AdapterLock()
{
    release();
}

QString AdapterLock::lockFilePath(const QString &path)
{
    // The path has slashes and colons; its hash names the file.
    const QByteArray key = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QDir(QDir::tempPath()).filePath(QStringLiteral("vanto-hub8-adapter-%1.lock").arg(QString::fromLatin1(key)));
}

bool AdapterLock::acquire(const QString &path, QString *holder)
{
    release();
    const QByteArray file = QFile::encodeName(lockFilePath(path));
    // Readable and writable by every user: another user's tool must be able
    // to take the lock of the same adapter after this one.
    const int fd = ::open(file.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        qCWarning(lcLink).noquote() << "adapter lock file" << file << "not usable:" << std::strerror(errno);
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error != EWOULDBLOCK) {
            qCWarning(lcLink).noquote() << "adapter lock" << file << "not taken:" << std::strerror(error);
            ::close(fd);
            return true;
        }
        char text[256] = {};
        const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
        ::close(fd);
        *holder = n > 0 ? QString::fromUtf8(text, int(n)).trimmed() : QString();
        if (holder->isEmpty())
            *holder = QStringLiteral("another program");
        return false;
    }
    // Who holds it, for the next one who asks.
    const QByteArray who = QCoreApplication::applicationName().toUtf8() + ", PID "
        + QByteArray::number(QCoreApplication::applicationPid()) + '\n';
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, who.constData(), size_t(who.size()), 0) != who.size())
        qCDebug(lcLink) << "adapter lock file" << file << "does not say who holds it";
    m_fd = fd;
    return true;
}

void AdapterLock::release()
{
    if (m_fd < 0)
        return;
    // The file stays: removing it could let two programs lock two files.
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}

QString firstAdapterPath()
{
    if (hid_init() != 0)
        return QString();
    hid_device_info *devices = hid_enumerate(adapterUsbVendorId, adapterUsbProductId);
    const QString path = devices && devices->path ? QString::fromLocal8Bit(devices->path) : QString();
    hid_free_enumeration(devices);
    return path;
}
