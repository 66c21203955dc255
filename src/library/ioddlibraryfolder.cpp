#include "ioddlibraryfolder.h"

#include "description/builtindescription.h"
#include "description/datalocations.h"
#include "description/ioddrecords.h"
#include "description/languagefiles.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace IoddLibrary {

bool isPlainName(const QString &name, QString *why)
{
    QString reason;
    if (name.isEmpty())
        reason = QStringLiteral("empty name");
    else if (name == QLatin1String(".") || name == QLatin1String(".."))
        reason = QStringLiteral("names the directory itself or its parent");
    else if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        reason = QStringLiteral("contains a path separator");
    else if (name.contains(QChar(0)))
        reason = QStringLiteral("contains a null character");
    else
        return true;
    if (why)
        *why = reason;
    return false;
}

QString stem(QString fileName)
{
    return fileName.remove(QStringLiteral(".xml"));
}

bool isLanguageFileOf(const QString &name, const QString &description)
{
    // The rule the description's loading reads them by.
    return !LanguageFiles::languageOf(name, description).isEmpty();
}

QString folderName(const QString &vendorId, const QString &deviceId, const QString &version, const QString &fileName)
{
    return vendorId + QLatin1Char('_') + deviceId + QLatin1Char('_') + version + QLatin1Char('_') + stem(fileName);
}

QString folderPath(const DeviceInfo &info)
{
    const QString name = folderName(info.vendorId, info.deviceId, info.version, info.fileName);
    const QString inUserLibrary = DataLocations::userLibraryDir() + QLatin1Char('/') + name;
    if (QFileInfo(inUserLibrary).isDir())
        return inUserLibrary;
    return DataLocations::shippedLibraryDir() + QLatin1Char('/') + name;
}

QFileInfoList descriptionFiles(const QString &libraryDir)
{
    QFileInfoList files;
    const QDir library(libraryDir);
    if (libraryDir.isEmpty() || !library.exists())
        return files;
    const QDir::SortFlags byName = QDir::Name | QDir::IgnoreCase;
    const QFileInfoList folders =
        library.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks | QDir::Hidden, byName);
    for (const QFileInfo &folder : folders) {
        const QDir dir(folder.absoluteFilePath());
        const QFileInfoList xml =
            dir.entryInfoList({QStringLiteral("*.xml")}, QDir::Files | QDir::NoSymLinks | QDir::Hidden, byName);
        for (const QFileInfo &file : xml) {
            const bool language = std::any_of(xml.cbegin(), xml.cend(), [&file](const QFileInfo &other) {
                return isLanguageFileOf(file.fileName(), other.fileName());
            });
            if (!language)
                files << file;
        }
    }
    return files;
}

bool isLibraryFolder(const QString &libraryDir, const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isDir())
        return false;
    const QString canonicalLibrary = QFileInfo(libraryDir).canonicalFilePath();
    const QString canonical = info.canonicalFilePath();
    return !canonicalLibrary.isEmpty() && !canonical.isEmpty()
        && QFileInfo(canonical).absolutePath() == canonicalLibrary;
}

bool isBuiltinFolder(const QString &libraryDir, const QString &path)
{
    // By path, whether or not the folder exists, so that a row listed from it
    // is recognised too; by canonical path for a library reached through a link.
    const QString builtin = QDir(libraryDir).filePath(QLatin1String(BuiltinDescription::folderName));
    if (QDir::cleanPath(QFileInfo(path).absoluteFilePath()) == QDir::cleanPath(QFileInfo(builtin).absoluteFilePath()))
        return true;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(builtin).canonicalFilePath();
}

bool removeFolder(const QString &libraryDir, const QString &path, QString *why)
{
    if (isBuiltinFolder(libraryDir, path)) {
        *why = QStringLiteral("the built-in description is kept");
        return false;
    }
    if (!isLibraryFolder(libraryDir, path)) {
        *why = QStringLiteral("not a folder directly inside the library");
        return false;
    }
    if (!QDir(path).removeRecursively()) {
        *why = QStringLiteral("could not be removed completely");
        return false;
    }
    return true;
}

} // namespace IoddLibrary
