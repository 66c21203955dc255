#include "ioddheaderreader.h"

#include "ioddxml.h"

#include <QDomNodeList>
#include <QFileInfo>

IoddHeaderReader::IoddHeaderReader(const QString &path, QObject *parent) : QObject(parent)
{
    if (!path.isEmpty())
        open(path);
}

IoddHeaderReader::~IoddHeaderReader() = default;

int IoddHeaderReader::open(const QString &path)
{
    return IoddXml::readFile(path, m_file, m_path, m_content, m_document, m_root, &m_error);
}

void IoddHeaderReader::useDocument(const QString &path, const QDomDocument &document)
{
    m_path = path;
    m_document = document;
    m_root = document.documentElement();
    m_content.clear();
    m_error.clear();
}

QString IoddHeaderReader::errorString() const
{
    return m_error;
}

QString IoddHeaderReader::fileName() const
{
    return QFileInfo(m_path).fileName();
}

QString IoddHeaderReader::attribute(const QString &tagName, const QString &attributeName) const
{
    const QDomNodeList list = m_root.elementsByTagName(tagName);
    if (list.isEmpty())
        return QString();
    const QString value = list.item(0).toElement().attribute(attributeName);
    return value.isEmpty() ? QString() : value;
}

int IoddHeaderReader::identityNumber(const QString &attributeName) const
{
    const QString text = attribute(QStringLiteral("DeviceIdentity"), attributeName).trimmed();
    if (text.isEmpty())
        return -1;
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : 0;
}

int IoddHeaderReader::deviceId() const
{
    return identityNumber(QStringLiteral("deviceId"));
}

int IoddHeaderReader::vendorId() const
{
    return identityNumber(QStringLiteral("vendorId"));
}

QString IoddHeaderReader::version() const
{
    return attribute(QStringLiteral("DocumentInfo"), QStringLiteral("version"));
}

QString IoddHeaderReader::deviceIcon() const
{
    return attribute(QStringLiteral("DeviceVariant"), QStringLiteral("deviceIcon"));
}

QString IoddHeaderReader::deviceSymbol() const
{
    return attribute(QStringLiteral("DeviceVariant"), QStringLiteral("deviceSymbol"));
}

QString IoddHeaderReader::connectionSymbol() const
{
    return attribute(QStringLiteral("Connection"), QStringLiteral("connectionSymbol"));
}

DeviceInfo IoddHeaderReader::readDeviceInfo() const
{
    DeviceInfo info;

    // Standard variable defaults: the first matching test decides the field,
    // a later element overwrites an earlier one.
    const QDomNodeList refs = m_root.elementsByTagName(QStringLiteral("StdVariableRef"));
    for (int i = 0; i < refs.count(); ++i) {
        const QDomElement e = refs.item(i).toElement();
        const QString id = e.attribute(QStringLiteral("id"));
        const QString value = e.attribute(QStringLiteral("defaultValue"));
        if (id.contains(QLatin1String("VendorName")))
            info.vendorName = value;
        else if (id.contains(QLatin1String("VendorText")))
            info.vendorText = value;
        else if (id.contains(QLatin1String("V_ProductName")))
            info.productName = value;
        else if (id.contains(QLatin1String("ProductID")))
            info.productId = value;
        else if (id.contains(QLatin1String("ProductText")))
            info.productText = value;
    }

    const QDomNodeList texts = m_root.elementsByTagName(QStringLiteral("Text"));
    for (int i = 0; i < texts.count(); ++i) {
        const QDomElement e = texts.item(i).toElement();
        if (e.attribute(QStringLiteral("id")).contains(QLatin1String("VendorUrl"))) {
            info.vendorUrl = e.attribute(QStringLiteral("value"));
            break;
        }
    }

    const QDomNodeList layers = m_root.elementsByTagName(QStringLiteral("PhysicalLayer"));
    for (int i = 0; i < layers.count(); ++i) {
        const QDomElement e = layers.item(i).toElement();
        info.bitrate = e.attribute(QStringLiteral("bitrate"));
        info.minCycleTime = e.attribute(QStringLiteral("minCycleTime"));
        info.sioSupported = e.attribute(QStringLiteral("sioSupported"));
    }

    const QDomNodeList profiles = m_root.elementsByTagName(QStringLiteral("CommNetworkProfile"));
    for (int i = 0; i < profiles.count(); ++i)
        info.iolinkRevision = profiles.item(i).toElement().attribute(QStringLiteral("iolinkRevision"));

    const QDomNodeList variants = m_root.elementsByTagName(QStringLiteral("DeviceVariant"));
    if (!variants.isEmpty()) {
        info.deviceIcon = variants.item(0).toElement().attribute(QStringLiteral("deviceIcon"));
        info.deviceSymbol = variants.item(0).toElement().attribute(QStringLiteral("deviceSymbol"));
    }
    const QDomNodeList connections = m_root.elementsByTagName(QStringLiteral("Connection"));
    if (!connections.isEmpty())
        info.connectionSymbol = connections.item(0).toElement().attribute(QStringLiteral("connectionSymbol"));

    const QDomNodeList identities = m_root.elementsByTagName(QStringLiteral("DeviceIdentity"));
    if (!identities.isEmpty()) {
        info.vendorId = identities.item(0).toElement().attribute(QStringLiteral("vendorId"));
        info.deviceId = identities.item(0).toElement().attribute(QStringLiteral("deviceId"));
    }

    for (int i = 0; i < connections.count(); ++i) {
        const QDomElement e = connections.item(i).toElement();
        info.connectionType = e.attribute(QStringLiteral("xsi:type"));
        for (QDomNode n = e.firstChild(); !n.isNull(); n = n.nextSibling()) {
            if (!n.nodeName().contains(QLatin1String("Wire")))
                continue;
            info.wireColors.append(n.toElement().attribute(QStringLiteral("color")));
            info.wireFunctions.append(n.toElement().attribute(QStringLiteral("function")));
        }
    }

    const QDomNodeList docs = m_root.elementsByTagName(QStringLiteral("DocumentInfo"));
    if (!docs.isEmpty()) {
        info.version = docs.item(0).toElement().attribute(QStringLiteral("version"));
        info.releaseDate = docs.item(0).toElement().attribute(QStringLiteral("releaseDate"));
    }
    info.fileName = fileName();
    return info;
}
