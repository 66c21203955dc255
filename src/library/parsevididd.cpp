#include "parsevididd.h"

#include "description/ioddxml.h"
#include "log/hub8log.h"

#include <QDir>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
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

int ParseVIDDID::checkIoddIdentity(const QString &path, const QString &vendorId, const QString &deviceId) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcLibrary) << "Failed to open file:" << path;
        return 1;
    }

    // Oversized files are refused like malformed ones, before anything is
    // read; parse() refuses document type declarations and deep nesting.
    QDomDocument document;
    if (file.size() > ioddXml::maxFileSize || !ioddXml::parse(file.readAll(), document)) {
        qCWarning(lcLibrary) << "Failed to parse XML:" << path;
        file.close();
        return 1;
    }
    file.close();

    const QDomElement root = document.documentElement();
    for (QDomElement body = root.firstChildElement(); !body.isNull(); body = body.nextSiblingElement()) {
        if (body.nodeName() != QLatin1String("ProfileBody"))
            continue;
        for (QDomElement child = body.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
            if (child.nodeName() == QLatin1String("DeviceIdentity")
                && child.attribute(QStringLiteral("vendorId")) == vendorId
                && child.attribute(QStringLiteral("deviceId")) == deviceId)
                return 0;
        }
    }
    return 1;
}
