#include "mqttpayloads.h"

#include "protocol/adapterregisters.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace MqttPayloads {

namespace {

QByteArray compact(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QString timeText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

// A text read from the device, or null when it gave none.
QJsonValue textOrNull(const QString &text)
{
    return text.isNull() ? QJsonValue() : QJsonValue(text);
}

QString modeName(quint8 mode)
{
    switch (mode) {
    case AdapterRegisters::ModeDeactivated:
        return QStringLiteral("off");
    case AdapterRegisters::ModeDigitalIn:
        return QStringLiteral("di");
    case AdapterRegisters::ModeDigitalOut:
        return QStringLiteral("do");
    case AdapterRegisters::ModeIoLinkStarting:
        return QStringLiteral("starting");
    case AdapterRegisters::ModeIoLinkOperate:
        return QStringLiteral("iolink");
    case AdapterRegisters::ModeCommunicationLost:
        return QStringLiteral("lost");
    default:
        return QStringLiteral("unknown");
    }
}

// An item's value as JSON: a number as a number, a bit as a boolean unless
// the description names its states otherwise ("On"), a value the
// description names (a marker such as "Below measuring range") and a
// string as text.
QJsonValue itemValue(const ValueItem &item, const ProcessDataCodec::ItemValue &value)
{
    if (!value.ok)
        return QJsonValue();
    const QString &type = item.editor.typeName;
    if (type == QLatin1String(IoddKind::BooleanT)
        && (value.text == QLatin1String("true") || value.text == QLatin1String("false")))
        return value.text == QLatin1String("true");
    if (type == QLatin1String(IoddKind::IntegerT) || type == QLatin1String(IoddKind::UIntegerT)
        || type == QLatin1String(IoddKind::Float32T)) {
        bool ok = false;
        const double number = value.text.toDouble(&ok);
        if (ok)
            return number;
    }
    return value.text;
}

} // namespace

QByteArray publisherState(bool online)
{
    return compact({{"state", online ? "online" : "offline"}});
}

QByteArray adapterState(bool present, const QString &serialNumber)
{
    return compact({{"state", present ? "present" : "absent"}, {"serialNumber", serialNumber}});
}

QString portStatusInfo(quint8 mode)
{
    switch (mode) {
    case AdapterRegisters::ModeDeactivated:
        return QStringLiteral("DEACTIVATED");
    case AdapterRegisters::ModeDigitalIn:
        return QStringLiteral("DIGITAL_INPUT");
    case AdapterRegisters::ModeDigitalOut:
        return QStringLiteral("DIGITAL_OUTPUT");
    case AdapterRegisters::ModeIoLinkStarting:
        return QStringLiteral("DEVICE_STARTING");
    case AdapterRegisters::ModeIoLinkOperate:
        return QStringLiteral("DEVICE_ONLINE");
    case AdapterRegisters::ModeCommunicationLost:
        return QStringLiteral("NO_DEVICE");
    default:
        return QStringLiteral("UNKNOWN");
    }
}

QByteArray portState(int port, quint8 mode, quint16 vendorId, quint32 deviceId)
{
    QJsonObject o{{"port", port + 1}, {"mode", modeName(mode)}, {"statusInfo", portStatusInfo(mode)}};
    const bool withDevice = mode == AdapterRegisters::ModeIoLinkOperate || mode == AdapterRegisters::ModeIoLinkStarting
        || mode == AdapterRegisters::ModeCommunicationLost;
    o.insert(QStringLiteral("vendorId"), withDevice ? QJsonValue(int(vendorId)) : QJsonValue());
    o.insert(QStringLiteral("deviceId"), withDevice ? QJsonValue(qint64(deviceId)) : QJsonValue());
    return compact(o);
}

QByteArray identification(const MqttDeviceIdentity &d)
{
    return compact(
        {{"vendorId", int(d.vendorId)},
         {"deviceId", qint64(d.deviceId)},
         {"iolinkRevision", QStringLiteral("%1.%2").arg(d.revisionId >> 4).arg(d.revisionId & 0x0f)},
         {"vendorName", textOrNull(d.vendorName)},
         {"vendorText", textOrNull(d.vendorText)},
         {"productName", textOrNull(d.productName)},
         {"productId", textOrNull(d.productId)},
         {"productText", textOrNull(d.productText)},
         {"serialNumber", textOrNull(d.serialNumber)},
         {"hardwareRevision", textOrNull(d.hardwareRevision)},
         {"firmwareRevision", textOrNull(d.firmwareRevision)},
         {"description",
          d.descriptionFile.isEmpty() ? QJsonValue() : QJsonValue(QFileInfo(d.descriptionFile).fileName())}});
}

QByteArray processData(const QDateTime &time, bool valid, const QByteArray &octets,
                       const ProcessDataCodec::Layout &layout)
{
    QJsonObject o{{"time", timeText(time)}, {"valid", valid}};
    if (!valid)
        return compact(o);
    QJsonArray raw;
    for (const char c : octets)
        raw.append(int(quint8(c)));
    o.insert(QStringLiteral("raw"), raw);
    const QVector<ProcessDataCodec::ItemValue> values = ProcessDataCodec::decode(layout, octets);
    QJsonObject items;
    for (int i = 0; i < layout.fields.size() && i < values.size(); ++i) {
        const ValueItem &item = layout.fields.at(i).item;
        QString name = item.label.isEmpty() ? item.editor.name : item.label;
        if (name.isEmpty())
            name = QStringLiteral("value");
        // Two items of one name (it happens) stay apart by their subindex.
        if (items.contains(name))
            name += QStringLiteral(" #") + item.subindex;
        QJsonObject v{{"value", itemValue(item, values.at(i))}};
        if (!values.at(i).unit.isEmpty())
            v.insert(QStringLiteral("unit"), values.at(i).unit);
        items.insert(name, v);
    }
    if (!layout.fields.isEmpty())
        o.insert(QStringLiteral("values"), items);
    return compact(o);
}

QByteArray event(const QDateTime &time, const DeviceEventEntry &entry, bool appears, const QString &name,
                 const QString &description)
{
    const EventQualifier q = entry.decoded();
    const char *severity = q.type == EventType::Error ? "ERROR"
        : q.type == EventType::Warning                ? "WARNING"
        : q.type == EventType::Notification           ? "NOTIFICATION"
                                                      : "UNKNOWN";
    return compact({{"time", timeText(time)},
                    {"severity", severity},
                    {"mode", appears ? "APPEARS" : "DISAPPEARS"},
                    {"code", int(entry.code)},
                    {"source", q.fromMaster ? "MASTER" : "DEVICE"},
                    {"text", name.isEmpty() ? QJsonValue() : QJsonValue(name)},
                    {"description", description.isEmpty() ? QJsonValue() : QJsonValue(description)}});
}

} // namespace MqttPayloads
