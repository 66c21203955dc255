#include "libraryentry.h"

#include "ioddlibraryfolder.h"

#include "description/ioddxml.h"
#include "log/hub8log.h"
#include "log/wholefile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QXmlStreamReader>

QString LibraryEntry::path(const QString &libraryDir) const
{
    return libraryDir + QLatin1Char('/') + folder + QLatin1Char('/') + file;
}

int LibraryEntry::listedNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return -1;
    bool ok = false;
    const int value = trimmed.toInt(&ok, 10);
    return ok ? value : 0;
}

void LibraryEntry::write(QDataStream &out) const
{
    out << folder << file << size << modified << parsed << vendorId << deviceId << version << vendorName << productName
        << releaseDate << qint32(identities.size());
    for (const auto &id : identities)
        out << id.first << id.second;
}

bool LibraryEntry::read(QDataStream &in, LibraryEntry *entry)
{
    // A description has one DeviceIdentity; many more is damage.
    constexpr qint32 maxIdentities = 64;
    LibraryEntry e;
    qint32 count = 0;
    in >> e.folder >> e.file >> e.size >> e.modified >> e.parsed >> e.vendorId >> e.deviceId >> e.version
        >> e.vendorName >> e.productName >> e.releaseDate >> count;
    if (in.status() != QDataStream::Ok || count < 0 || count > maxIdentities || !IoddLibrary::isPlainName(e.folder)
        || !IoddLibrary::isPlainName(e.file))
        return false;
    for (qint32 i = 0; i < count; ++i) {
        QPair<QString, QString> id;
        in >> id.first >> id.second;
        e.identities.append(id);
    }
    if (in.status() != QDataStream::Ok)
        return false;
    *entry = e;
    return true;
}

namespace LibraryEntries {

LibraryEntry read(const QString &libraryDir, const QString &folder, const QString &file)
{
    LibraryEntry out;
    out.folder = folder;
    out.file = file;
    const QString path = out.path(libraryDir);
    const QFileInfo info(path);
    out.size = info.size();
    out.modified = info.lastModified().toMSecsSinceEpoch();

    QByteArray content;
    QString error;
    if (!WholeFile::read(path, IoddXml::maxFileSize, &content, &error)) {
        qCWarning(lcLibrary) << "Failed to read file:" << path << error;
        return out;
    }
    // The streaming read refuses what the description parser refuses
    // (document type declarations, deep nesting, bad XML) without building
    // the file's DOM: only the header is wanted here.
    QString body; // the root's child being read
    bool identitySeen = false, documentInfoSeen = false;
    // The product name's text ids, looked up among the primary language's
    // texts, which come after the identity.
    int identityDepth = 0;
    QString deviceNameId, variantNameId, deviceNameText, variantNameText;
    bool inVariant = false, inPrimaryLanguage = false;
    const auto visit = [&](const QXmlStreamReader &xml, int depth) {
        // The listed texts as a DOM lookup by tag name finds them; the
        // lookup's identities by local name at their place.
        const QStringRef name = xml.qualifiedName();
        const QStringRef local = xml.name();
        if (depth == 2)
            body = local.toString();
        if (identityDepth > 0 && depth <= identityDepth)
            identityDepth = 0; // left the first DeviceIdentity
        if (!identitySeen && name == QLatin1String("DeviceIdentity")) {
            identitySeen = true;
            identityDepth = depth;
            out.vendorId = xml.attributes().value(QLatin1String("vendorId")).toString();
            out.deviceId = xml.attributes().value(QLatin1String("deviceId")).toString();
            out.vendorName = xml.attributes().value(QLatin1String("vendorName")).toString().trimmed();
        } else if (identityDepth > 0) {
            const QString textId = xml.attributes().value(QLatin1String("textId")).toString();
            if (depth == identityDepth + 1 && local == QLatin1String("DeviceName") && deviceNameId.isEmpty())
                deviceNameId = textId;
            if (local == QLatin1String("DeviceVariant"))
                inVariant = variantNameId.isEmpty();
            else if (inVariant && local == QLatin1String("Name") && variantNameId.isEmpty())
                variantNameId = textId;
        }
        if (depth == 3)
            inPrimaryLanguage =
                body == QLatin1String("ExternalTextCollection") && local == QLatin1String("PrimaryLanguage");
        if (depth == 4 && inPrimaryLanguage && local == QLatin1String("Text")) {
            const QXmlStreamAttributes a = xml.attributes();
            const QStringRef id = a.value(QLatin1String("id"));
            if (!deviceNameId.isEmpty() && id == deviceNameId && deviceNameText.isEmpty())
                deviceNameText = a.value(QLatin1String("value")).toString().trimmed();
            if (!variantNameId.isEmpty() && id == variantNameId && variantNameText.isEmpty())
                variantNameText = a.value(QLatin1String("value")).toString().trimmed();
        }
        if (!documentInfoSeen && name == QLatin1String("DocumentInfo")) {
            documentInfoSeen = true;
            out.version = xml.attributes().value(QLatin1String("version")).toString();
        }
        if (depth == 2 && local == QLatin1String("DocumentInfo"))
            out.releaseDate = xml.attributes().value(QLatin1String("releaseDate")).toString();
        if (depth == 3 && body == QLatin1String("ProfileBody") && local == QLatin1String("DeviceIdentity")) {
            const QXmlStreamAttributes a = xml.attributes();
            out.identities.append(
                {a.value(QLatin1String("vendorId")).toString(), a.value(QLatin1String("deviceId")).toString()});
        }
    };
    if (!IoddXml::readElements(content, visit)) {
        qCWarning(lcLibrary) << "Failed to parse XML:" << path;
        out.vendorId.clear();
        out.deviceId.clear();
        out.version.clear();
        out.identities.clear();
        out.releaseDate.clear();
        out.vendorName.clear();
        return out;
    }
    out.productName = deviceNameText.isEmpty() ? variantNameText : deviceNameText;
    out.parsed = true;
    return out;
}

} // namespace LibraryEntries
