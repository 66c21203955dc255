#include "libraryimport.h"

#include "ioddlibraryfolder.h"
#include "ioddpackage.h"

#include "archive/zipreader.h"
#include "description/ioddheaderreader.h"
#include "description/ioddxml.h"
#include "description/languagefiles.h"
#include "log/hub8log.h"
#include "log/wholefile.h"

#include <QDir>
#include <QDomDocument>
#include <QFileInfo>
#include <QSet>

namespace {
// A package of a few descriptions with their pictures is some megabytes.
constexpr qint64 maxPackageSize = 64 * 1024 * 1024;
} // namespace

bool LibraryImport::plan(const QString &path, const QVector<LibraryEntry> &listed, QVector<Folder> *folders,
                         QString *why)
{
    QVector<Folder> planned;
    const bool package = path.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive);
    if (!(package ? planPackage(path, &planned, why) : planFile(path, &planned, why)))
        return false;
    QSet<QString> names;
    for (const LibraryEntry &entry : listed)
        names.insert(entry.file);
    for (const Folder &folder : qAsConst(planned)) {
        if (names.contains(folder.description)) {
            *why = package ? tr("库中已有同名文件 %1").arg(folder.description) : tr("库中已有同名文件");
            return false;
        }
        names.insert(folder.description);
    }
    *folders = planned;
    return true;
}

bool LibraryImport::planFolder(const QString &fileName, const QByteArray &content, Folder *folder, QString *why,
                               QStringList *pictures)
{
    QDomDocument document;
    IoddXml::parse(content, document);
    IoddHeaderReader header;
    header.useDocument(fileName, document);
    if (pictures)
        *pictures = QStringList{header.connectionSymbol(), header.deviceIcon(), header.deviceSymbol()};
    const int vendorId = header.vendorId(), deviceId = header.deviceId();
    if (vendorId < 1 || deviceId < 1) {
        *why = tr("文件中没有有效的供应商ID和设备ID");
        return false;
    }
    folder->name =
        IoddLibrary::folderName(QString::number(vendorId), QString::number(deviceId), header.version(), fileName);
    folder->description = fileName;
    folder->files = {{fileName, content}};
    return true;
}

bool LibraryImport::planFile(const QString &path, QVector<Folder> *folders, QString *why)
{
    const QFileInfo source(path);
    const QString fileName = source.fileName();
    QByteArray content;
    QString error;
    if (!WholeFile::read(path, IoddXml::maxFileSize, &content, &error)) {
        *why = tr("无法复制 %1：%2").arg(fileName, error);
        return false;
    }
    Folder folder;
    QStringList pictures;
    if (!planFolder(fileName, content, &folder, why, &pictures))
        return false;

    // The pictures it names, beside it; those missing or not plain names are skipped.
    QStringList taken{fileName};
    for (const QString &picture : qAsConst(pictures)) {
        QString reason;
        if (picture.isEmpty() || taken.contains(picture))
            continue;
        if (!IoddLibrary::isPlainName(picture, &reason)) {
            qCDebug(lcLibrary) << "picture" << picture << "skipped, not a plain file name:" << reason;
            continue;
        }
        const QFileInfo info(source.absolutePath() + QLatin1Char('/') + picture);
        if (!info.exists()) {
            qCDebug(lcLibrary) << "picture" << info.filePath() << "skipped, missing";
            continue;
        }
        if (!info.isFile() && !info.isDir()) { // a FIFO would block the read
            qCDebug(lcLibrary) << "picture" << info.filePath() << "skipped, not a regular file";
            continue;
        }
        QByteArray data;
        if (!WholeFile::read(info.filePath(), IoddXml::maxFileSize, &data, &error)) {
            *why = tr("无法复制图片 %1：%2").arg(picture, error);
            return false;
        }
        folder.files.append({picture, data});
        taken << picture;
    }
    // Its texts in other languages, beside it; a file too large to be read as one is left.
    for (const LanguageFiles::Sibling &language : LanguageFiles::siblings(path)) {
        const QString name = QFileInfo(language.path).fileName();
        QByteArray data;
        if (taken.contains(name) || !WholeFile::read(language.path, LanguageFiles::maxFileSize, &data, &error)) {
            qCDebug(lcLibrary) << "language file" << language.path << "skipped:" << error;
            continue;
        }
        folder.files.append({name, data});
        taken << name;
    }
    *folders = {folder};
    return true;
}

bool LibraryImport::planPackage(const QString &path, QVector<Folder> *folders, QString *why)
{
    QByteArray archive;
    QString error;
    if (!WholeFile::read(path, maxPackageSize, &archive, &error)) {
        *why = tr("无法读取压缩包：%1").arg(error);
        return false;
    }
    QVector<ZipReader::File> files;
    QVector<IoddPackage::Description> descriptions;
    if (!ZipReader::read(archive, &files, why) || !IoddPackage::descriptions(files, &descriptions, why))
        return false;
    QVector<Folder> planned;
    for (const IoddPackage::Description &description : qAsConst(descriptions)) {
        Folder folder;
        QString reason;
        if (!planFolder(description.file.name, description.file.data, &folder, &reason)) {
            *why = QStringLiteral("%1: %2").arg(description.file.name, reason);
            return false;
        }
        for (const ZipReader::File &extra : description.extras)
            folder.files.append({extra.name, extra.data});
        planned.append(folder);
    }
    *folders = planned;
    return true;
}

bool LibraryImport::write(const QString &libraryDir, const QVector<Folder> &folders, QString *why)
{
    // Every name is checked, and every folder found free, before anything is made.
    QSet<QString> names;
    for (const Folder &folder : folders) {
        QString reason;
        if (!IoddLibrary::isPlainName(folder.name, &reason)) {
            qCDebug(lcLibrary) << "folder name" << folder.name << "not used:" << reason;
            *why = tr("版本或文件名不能用作库中的文件夹名 \"%1\"").arg(folder.name);
            return false;
        }
        for (const File &file : folder.files) {
            if (!IoddLibrary::isPlainName(file.name, &reason)) {
                *why = tr("文件名 \"%1\" 不能使用").arg(file.name);
                return false;
            }
        }
        const QFileInfo info(libraryDir + QLatin1Char('/') + folder.name);
        // An existing folder (or link) is never written into: it is not this add's to clean up.
        if (info.exists() || info.isSymLink() || names.contains(folder.name)) {
            *why = tr("库中已有文件夹 %1").arg(folder.name);
            return false;
        }
        names.insert(folder.name);
    }

    const bool libraryMade = !QDir(libraryDir).exists() && QDir().mkdir(libraryDir);
    QStringList made;
    const auto undo = [&](const QString &message) {
        *why = message;
        for (const QString &path : qAsConst(made)) {
            if (IoddLibrary::isLibraryFolder(libraryDir, path))
                QDir(path).removeRecursively();
        }
        if (libraryMade)
            QDir().rmdir(libraryDir); // only when empty
        return false;
    };
    for (const Folder &folder : folders) {
        const QString path = QFileInfo(libraryDir + QLatin1Char('/') + folder.name).absoluteFilePath();
        const QString cannotCreate = tr("无法在IODD库中创建文件夹 %1").arg(folder.name);
        if (!QDir(libraryDir).mkdir(folder.name))
            return undo(cannotCreate);
        if (!IoddLibrary::isLibraryFolder(libraryDir, path)) {
            qCDebug(lcLibrary) << "nothing written," << path << "is not a folder directly inside the library";
            QDir(libraryDir).rmdir(folder.name); // still empty
            return undo(cannotCreate);
        }
        made << path;
        for (const File &file : folder.files) {
            QString error;
            if (!WholeFile::write(path + QLatin1Char('/') + file.name, file.data, &error))
                return undo(tr("无法写入 %1：%2").arg(file.name, error));
        }
    }
    return true;
}
