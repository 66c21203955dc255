#include "parsevididd.h"

#include "description/ioddxml.h"
#include "log/hub8log.h"

#include <QDateTime>
#include <QDir>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>

namespace {

void collectXmlFiles(const QString &dir, QFileInfoList &out, QSet<QString> &visited)
{
    // A symbolic link back up the tree would otherwise recurse until the
    // path grows too long.
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    if (!canonical.isEmpty()) {
        if (visited.contains(canonical))
            return;
        visited.insert(canonical);
    }

    const QDir directory(dir);
    out += directory.entryInfoList({QStringLiteral("*.xml")}, QDir::Files | QDir::NoSymLinks | QDir::Hidden);
    const QFileInfoList subdirs = directory.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &sub : subdirs)
        collectXmlFiles(sub.absoluteFilePath(), out, visited);
}

} // namespace

ParseVIDDID::ParseVIDDID(QObject *parent) : QObject(parent) {}

ParseVIDDID::~ParseVIDDID() = default;

QString ParseVIDDID::findIoddFile(quint16 vendorId, quint32 deviceId) const
{
    return findIoddFile(vendorId, deviceId, QStringLiteral("./iodd/"));
}

QString ParseVIDDID::findIoddFile(quint16 vendorId, quint32 deviceId, const QString &dir) const
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

QFileInfoList ParseVIDDID::findXmlFiles(const QString &dir) const
{
    QFileInfoList files;
    QSet<QString> visited;
    collectXmlFiles(dir, files, visited);
    return files;
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcLibrary) << "Failed to open file:" << path;
        return out;
    }
    // Oversized files are refused like malformed ones, before anything is
    // read; parse() refuses document type declarations and deep nesting.
    QDomDocument document;
    if (file.size() > ioddXml::maxFileSize || !ioddXml::parse(file.readAll(), document)) {
        qCWarning(lcLibrary) << "Failed to parse XML:" << path;
        return out;
    }
    out.parsed = true;
    const QDomElement root = document.documentElement();
    for (QDomElement body = root.firstChildElement(); !body.isNull(); body = body.nextSiblingElement()) {
        if (body.nodeName() == QLatin1String("DocumentInfo"))
            out.releaseDate = body.attribute(QStringLiteral("releaseDate"));
        if (body.nodeName() != QLatin1String("ProfileBody"))
            continue;
        for (QDomElement child = body.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
            if (child.nodeName() == QLatin1String("DeviceIdentity"))
                out.identities.append(
                    {child.attribute(QStringLiteral("vendorId")), child.attribute(QStringLiteral("deviceId"))});
        }
    }
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

QString ParseVIDDID::findNewestIoddFile(quint16 vendorId, quint32 deviceId, const QString &dir) const
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

int ParseVIDDID::checkIoddIdentity(const QString &path, const QString &vendorId, const QString &deviceId) const
{
    const FileIdentity identity = cachedIdentity(path);
    return identity.identities.contains({vendorId, deviceId}) ? 0 : 1;
}
