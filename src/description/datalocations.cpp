#include "datalocations.h"

#include "builtindescription.h"

#include "log/hub8log.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace DataLocations {

namespace {

const QLatin1String appFolder("vanto-hub8");

// Copies the real directories and regular files below `from` into the
// existing directory `to`.
bool copyTree(const QString &from, const QString &to, QString *why)
{
    const QFileInfoList entries =
        QDir(from).entryInfoList(QDir::Dirs | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.isSymLink())
            continue;
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir()) {
            if (!QDir().mkdir(target) || !copyTree(entry.filePath(), target, why)) {
                if (why->isEmpty())
                    *why = QStringLiteral("cannot create %1").arg(target);
                return false;
            }
        } else if (entry.isFile() && !QFile::copy(entry.filePath(), target)) {
            *why = QStringLiteral("cannot copy %1 to %2").arg(entry.filePath(), target);
            return false;
        }
    }
    return true;
}

} // namespace

QString dataDirFor(const QString &appDir)
{
    if (!installedFor(appDir))
        return QDir::cleanPath(appDir);
    return QDir::cleanPath(appDir + QStringLiteral("/../share/") + appFolder);
}

bool installedFor(const QString &appDir)
{
    return !QFileInfo(appDir + QStringLiteral("/std")).isDir();
}

QString userLibraryDirFor(const QString &appDir, const QString &genericDataDir)
{
    if (!installedFor(appDir))
        return dataDirFor(appDir) + QStringLiteral("/iodd");
    return QDir::cleanPath(genericDataDir + QLatin1Char('/') + appFolder + QStringLiteral("/iodd"));
}

QString dataDir()
{
    return dataDirFor(QCoreApplication::applicationDirPath());
}

QString standardDefinitionsDir()
{
    return dataDir() + QStringLiteral("/std");
}

QString shippedLibraryDir()
{
    return dataDir() + QStringLiteral("/iodd");
}

QString builtinDescriptionPath()
{
    return BuiltinDescription::pathIn(dataDir());
}

QString userLibraryDir()
{
    return userLibraryDirFor(QCoreApplication::applicationDirPath(),
                             QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

QString libraryIndexFile(const QString &libraryDir)
{
    const QByteArray library = QDir::cleanPath(QFileInfo(libraryDir).absoluteFilePath()).toUtf8();
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(library, QCryptographicHash::Sha1).toHex().left(16));
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QStringLiteral("/vanto-hub8/iodd-index-") + name;
}

bool seedLibrary(const QString &shippedDir, const QString &userDir, QString *why)
{
    const QFileInfo user(userDir);
    if (user.exists() || user.isSymLink())
        return true;
    if (!QFileInfo(shippedDir).isDir()) {
        *why = QStringLiteral("no library at %1").arg(shippedDir);
        return false;
    }
    if (!QDir().mkpath(userDir)) {
        *why = QStringLiteral("cannot create %1").arg(userDir);
        return false;
    }
    why->clear();
    if (copyTree(shippedDir, userDir, why))
        return true;
    QDir(userDir).removeRecursively();
    return false;
}

bool seedUserLibrary(QString *why)
{
    const QString shipped = shippedLibraryDir();
    const QString user = userLibraryDir();
    if (QDir::cleanPath(shipped) == QDir::cleanPath(user))
        return true;
    if (!seedLibrary(shipped, user, why))
        return false;
    qCDebug(lcLibrary) << "IODD library:" << user;
    return true;
}

} // namespace DataLocations
