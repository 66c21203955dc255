#include "ioddfinder.h"

#include "ioddlibraryfolder.h"

#include "description/ioddxml.h"
#include "log/hub8log.h"
#include "log/wholefile.h"

#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QXmlStreamReader>

IoddFinder::IoddFinder(QObject *parent) : QObject(parent) {}

IoddFinder::~IoddFinder() = default;

QString IoddFinder::findIoddFile(quint16 vendorId, quint32 deviceId) const
{
    return findIoddFile(vendorId, deviceId, QStringLiteral("./iodd/"));
}

QString IoddFinder::findIoddFile(quint16 vendorId, quint32 deviceId, const QString &dir) const
{
    const QString vendorText = QString::number(vendorId);
    const QString deviceText = QString::number(deviceId);
    const QFileInfoList files = findXmlFiles(dir);
    for (const QFileInfo &file : files) {
        if (checkIoddIdentity(file.filePath(), vendorText, deviceText) == 0)
            return file.filePath();
    }
    return QString();
}

QFileInfoList IoddFinder::findXmlFiles(const QString &dir) const
{
    return IoddLibrary::descriptionFiles(dir);
}

namespace {

// What the library lookup needs of one file, read once per file version.
struct FileIdentity
{
    bool parsed = false;
    QList<QPair<QString, QString>> identities; // (vendorId, deviceId) texts
    QString releaseDate;
};

FileIdentity readIdentity(const QString &path)
{
    FileIdentity out;
    QByteArray content;
    QString error;
    if (!WholeFile::read(path, IoddXml::maxFileSize, &content, &error)) {
        qCWarning(lcLibrary) << "Failed to read file:" << path << error;
        return out;
    }
    // Oversized files are refused like malformed ones, before anything is
    // read; the streaming read refuses what the description parser refuses
    // (document type declarations, deep nesting, bad XML) without building
    // the file's DOM: only the header is wanted here.
    QString body; // the root's child being read
    QList<QPair<QString, QString>> identities;
    QString releaseDate;
    const auto visit = [&](const QXmlStreamReader &xml, int depth) {
        if (depth == 2) {
            body = xml.name().toString();
            if (body == QLatin1String("DocumentInfo"))
                releaseDate = xml.attributes().value(QLatin1String("releaseDate")).toString();
        } else if (depth == 3 && body == QLatin1String("ProfileBody")
                   && xml.name() == QLatin1String("DeviceIdentity")) {
            const QXmlStreamAttributes a = xml.attributes();
            identities.append(
                {a.value(QLatin1String("vendorId")).toString(), a.value(QLatin1String("deviceId")).toString()});
        }
    };
    if (!IoddXml::readElements(content, visit)) {
        qCWarning(lcLibrary) << "Failed to parse XML:" << path;
        return out;
    }
    out.parsed = true;
    out.identities = identities;
    out.releaseDate = releaseDate;
    return out;
}

// Keyed by path, size and modification time: a file changed on disk is read again.
FileIdentity cachedIdentity(const QString &path)
{
    static QHash<QString, FileIdentity> cache;
    static QMutex lock;
    const QFileInfo info(path);
    const QString key = info.absoluteFilePath() + QLatin1Char('|') + QString::number(info.size()) + QLatin1Char('|')
        + QString::number(info.lastModified().toMSecsSinceEpoch());
    QMutexLocker locked(&lock);
    const auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return it.value();
    const FileIdentity identity = readIdentity(path);
    cache.insert(key, identity);
    return identity;
}

} // namespace

QString IoddFinder::findNewestIoddFile(quint16 vendorId, quint32 deviceId, const QString &dir) const
{
    const QString vendorText = QString::number(vendorId);
    const QString deviceText = QString::number(deviceId);
    QString best, bestDate;
    QStringList matches;
    for (const QFileInfo &file : findXmlFiles(dir)) {
        const FileIdentity identity = cachedIdentity(file.filePath());
        if (!identity.identities.contains({vendorText, deviceText}))
            continue;
        matches << file.filePath();
        if (best.isEmpty() || identity.releaseDate > bestDate) {
            best = file.filePath();
            bestDate = identity.releaseDate;
        }
    }
    if (matches.size() > 1)
        qCDebug(lcLibrary).noquote() << "lookup: vendor" << vendorText << "device" << deviceText << "matches"
                                     << matches.join(QStringLiteral(", ")) << "- taking the newest release" << bestDate
                                     << best;
    return best;
}

int IoddFinder::checkIoddIdentity(const QString &path, const QString &vendorId, const QString &deviceId) const
{
    const FileIdentity identity = cachedIdentity(path);
    return identity.identities.contains({vendorId, deviceId}) ? 0 : 1;
}
