#include "parameterset.h"

#include "valuecodec.h"

#include "description/ioddjson.h"
#include "description/jsonduplicates.h"
#include "log/wholefile.h"

#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace ParameterSet {

namespace {

qint64 idNumber(const QString &text)
{
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok, 10);
    return ok && n >= 0 ? n : -1;
}

void writeId(IoddJson::Writer &w, const char *key, qint64 id)
{
    if (id >= 0)
        w.number(key, id);
    else
        w.null(key);
}

QString hexText(const QByteArray &octets)
{
    return QString::fromLatin1(octets.toHex(' '));
}

// An integer 0..max held as a JSON number; -1 otherwise.
qint64 integerIn(const QJsonValue &v, qint64 max)
{
    if (!v.isDouble())
        return -1;
    const double d = v.toDouble();
    if (d < 0 || d > double(max) || std::floor(d) != d)
        return -1;
    return qint64(d);
}

// Reads one of the identity numbers, 0..max; null means not known.
bool readId(const QJsonObject &device, const char *key, qint64 max, qint64 *out, QString *why)
{
    const QJsonValue v = device.value(QLatin1String(key));
    if (v.isNull()) {
        *out = -1;
        return true;
    }
    *out = integerIn(v, max);
    if (*out < 0)
        *why = QStringLiteral("device.%1 is not a number 0..%2").arg(QLatin1String(key)).arg(max);
    return *out >= 0;
}

bool readEntry(const QJsonValue &item, int position, Entry *out, QString *why)
{
    const QString where = QStringLiteral("entries[%1]").arg(position);
    if (!item.isObject()) {
        *why = where + QStringLiteral(" is not an object");
        return false;
    }
    const QJsonObject o = item.toObject();
    const qint64 index = integerIn(o.value(QLatin1String("index")), 0xFFFF);
    const qint64 subindex = integerIn(o.value(QLatin1String("subindex")), ValueCodec::maxSubindex);
    if (index < 0 || subindex < 0) {
        *why = where + QStringLiteral(": index 0..65535 and subindex 0..255 expected");
        return false;
    }
    const QJsonValue label = o.value(QLatin1String("label"));
    const QJsonValue raw = o.value(QLatin1String("raw"));
    const QJsonValue value = o.value(QLatin1String("value"));
    if (!label.isString() || !raw.isString() || !value.isString()) {
        *why = where + QStringLiteral(": label, raw and value must be texts");
        return false;
    }
    out->index = int(index);
    out->subindex = int(subindex);
    out->label = label.toString();
    out->value = value.toString();
    if (!ValueCodec::parseHexOctets(raw.toString(), &out->raw) || out->raw.size() > ValueCodec::maxOctets) {
        *why = where + QStringLiteral(": raw is not up to %1 octets in hex").arg(ValueCodec::maxOctets);
        return false;
    }
    return true;
}

} // namespace

Identity identityOf(const DeviceInfo &info, const QList<VariantItem> &variants)
{
    Identity id;
    id.vendorId = idNumber(info.vendorId);
    id.deviceId = idNumber(info.deviceId);
    id.productName = info.productName;
    if (id.productName.isEmpty() && !variants.isEmpty())
        id.productName = variants.first().name;
    id.ioddFile = info.fileName;
    id.ioddVersion = info.version;
    return id;
}

bool sameDevice(const Identity &a, const Identity &b)
{
    return a.vendorId >= 0 && a.deviceId >= 0 && a.vendorId == b.vendorId && a.deviceId == b.deviceId;
}

QString describe(const Identity &device)
{
    auto number = [](qint64 n) { return n >= 0 ? QString::number(n) : QStringLiteral("?"); };
    const QString ids =
        QStringLiteral("vendorId %1, deviceId %2").arg(number(device.vendorId), number(device.deviceId));
    return device.productName.isEmpty() ? ids : QStringLiteral("%1 (%2)").arg(device.productName, ids);
}

QString keyOf(int index, int subindex)
{
    return QString::number(index) + QLatin1Char(':') + QString::number(subindex);
}

QString Entry::key() const
{
    return keyOf(index, subindex);
}

Entry entryOf(const ValueItem &item, const QByteArray &raw)
{
    Entry e;
    e.index = int(item.index.toUInt());
    e.subindex = int(item.subindex.toUInt());
    e.label = item.label;
    e.raw = raw;
    e.value = item.editor.value;
    e.writable = ValueCodec::isWritable(item) && item.editor.widgetClass != QLatin1String(EditorWidget::PushButton);
    return e;
}

QByteArray toJson(const Set &values)
{
    IoddJson::Writer w;
    w.beginObject();
    w.value("format", QString::fromLatin1(formatName));
    w.number("version", formatVersion);
    w.beginObject("device");
    writeId(w, "vendorId", values.device.vendorId);
    writeId(w, "deviceId", values.device.deviceId);
    w.value("productName", values.device.productName);
    w.endObject();
    w.beginObject("iodd");
    w.value("file", values.device.ioddFile);
    w.value("version", values.device.ioddVersion);
    w.endObject();
    w.beginArray("entries");
    for (const Entry &e : values.entries) {
        w.beginObject();
        w.number("index", e.index);
        w.number("subindex", e.subindex);
        w.value("label", e.label);
        w.value("raw", hexText(e.raw));
        w.value("value", e.value);
        w.endObject();
    }
    w.endArray();
    w.endObject();
    return w.text() + '\n';
}

bool fromJson(const QByteArray &json, Set *values, QString *why)
{
    // A key given twice would silently keep its last value.
    const QString duplicate = firstDuplicateKey(json);
    if (!duplicate.isEmpty()) {
        *why = QStringLiteral("%1: given twice").arg(duplicate);
        return false;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        *why = QStringLiteral("not JSON (%1 at offset %2)").arg(error.errorString()).arg(error.offset);
        return false;
    }
    const QJsonObject root = doc.object();
    if (root.value(QLatin1String("format")).toString() != QLatin1String(formatName)) {
        *why = QStringLiteral("not a parameter set (\"format\" is not \"%1\")").arg(QLatin1String(formatName));
        return false;
    }
    const qint64 version = integerIn(root.value(QLatin1String("version")), 0x7FFFFFFF);
    if (version != formatVersion) {
        *why = QStringLiteral("format version %1 is not %2; this tool reads version %2")
                   .arg(root.value(QLatin1String("version")).toVariant().toString())
                   .arg(formatVersion);
        return false;
    }
    Set read;
    const QJsonObject device = root.value(QLatin1String("device")).toObject();
    if (!readId(device, "vendorId", maxVendorId, &read.device.vendorId, why)
        || !readId(device, "deviceId", maxDeviceId, &read.device.deviceId, why))
        return false;
    read.device.productName = device.value(QLatin1String("productName")).toString();
    const QJsonObject iodd = root.value(QLatin1String("iodd")).toObject();
    read.device.ioddFile = iodd.value(QLatin1String("file")).toString();
    read.device.ioddVersion = iodd.value(QLatin1String("version")).toString();

    const QJsonValue entries = root.value(QLatin1String("entries"));
    if (!entries.isArray()) {
        *why = QStringLiteral("\"entries\" is not a list");
        return false;
    }
    QHash<QString, int> seen;
    const QJsonArray list = entries.toArray();
    for (int i = 0; i < list.size(); ++i) {
        Entry e;
        if (!readEntry(list.at(i), i, &e, why))
            return false;
        if (seen.contains(e.key())) {
            *why = QStringLiteral("entries[%1]: %2 is listed twice").arg(i).arg(e.key());
            return false;
        }
        seen.insert(e.key(), i);
        read.entries.append(e);
    }
    *values = read;
    return true;
}

bool readFile(const QString &path, Set *values, QString *why)
{
    QByteArray json;
    QString reason;
    if (!WholeFile::read(path, maxFileBytes, &json, &reason) || !fromJson(json, values, &reason)) {
        *why = QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), reason);
        return false;
    }
    return true;
}

bool writeFile(const QString &path, const Set &values, QString *why)
{
    // Written beside the file and renamed over it: an old set is never half overwritten.
    QString error;
    if (!WholeFile::write(path, toJson(values), &error)) {
        *why = QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), error);
        return false;
    }
    return true;
}

Comparison compare(const Set &file, const QVector<Entry> &device)
{
    QHash<QString, int> onDevice;
    for (int i = 0; i < device.size(); ++i) {
        if (!onDevice.contains(device.at(i).key()))
            onDevice.insert(device.at(i).key(), i);
    }
    Comparison result;
    for (const Entry &e : file.entries) {
        Row r;
        r.file = e;
        const auto found = onDevice.constFind(e.key());
        if (found == onDevice.constEnd()) {
            r.state = RowState::OnlyInFile;
            ++result.onlyInFile;
        } else {
            r.device = device.at(found.value());
            r.state = r.device.value == e.value ? RowState::Same : RowState::Different;
            ++(r.state == RowState::Same ? result.same : result.different);
        }
        result.rows.append(r);
    }
    return result;
}

bool acceptsValue(const ValueItem &item, const QString &text, QString *why)
{
    *why = ValueCodec::checkInput(item, text);
    return why->isEmpty();
}

} // namespace ParameterSet
