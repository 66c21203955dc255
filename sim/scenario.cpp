#include "scenario.h"

#include "genericdevice.h"
#include "iodddevice.h"
#include "virtualadapter.h"

#include "description/datalocations.h"
#include "description/jsonduplicates.h"
#include "log/wholefile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

namespace {

using Mode = VirtualAdapter::Mode;

// What the adapter itself offers.
struct AdapterPlan
{
    bool absent = false;
    bool portStatusBlock = true;
};

struct PortPlan
{
    Mode mode = Mode::Deactivated;
    std::unique_ptr<VirtualDevice> device;
};

const QStringList modeNames{QStringLiteral("off"),      QStringLiteral("di"),     QStringLiteral("do"),
                            QStringLiteral("starting"), QStringLiteral("iolink"), QStringLiteral("lost")};
const Mode modes[] = {Mode::Deactivated,    Mode::DigitalIn,     Mode::DigitalOut,
                      Mode::IoLinkStarting, Mode::IoLinkOperate, Mode::CommunicationLost};

const QStringList genericKeys{QStringLiteral("type"),
                              QStringLiteral("vendorId"),
                              QStringLiteral("deviceId"),
                              QStringLiteral("vendorName"),
                              QStringLiteral("vendorText"),
                              QStringLiteral("productName"),
                              QStringLiteral("productId"),
                              QStringLiteral("productText"),
                              QStringLiteral("serialNumber"),
                              QStringLiteral("hardwareRevision"),
                              QStringLiteral("firmwareRevision")};
const QStringList ioddKeys{QStringLiteral("type"),
                           QStringLiteral("file"),
                           QStringLiteral("serialNumber"),
                           QStringLiteral("hardwareRevision"),
                           QStringLiteral("firmwareRevision"),
                           QStringLiteral("processDataIn"),
                           QStringLiteral("parameters"),
                           QStringLiteral("writeErrors"),
                           QStringLiteral("rules"),
                           QStringLiteral("events")};

// A value as an error message shows it: texts quoted (long ones shortened),
// numbers as written, arrays and objects by their kind only.
QString shown(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String: {
        const QString text = value.toString();
        return QLatin1Char('"') + (text.size() > 40 ? text.left(37) + QStringLiteral("...") : text) + QLatin1Char('"');
    }
    case QJsonValue::Double:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Array:
        return QStringLiteral("an array");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nothing");
}

// Reads the parts of a scenario. Every check names the field it looks at
// ("ports.Port3.device.vendorId"); the first failed check leaves its one-line
// message in `error` and the reading stops there.
struct Reader
{
    QString error;

    bool fail(const QString &field, const QString &message)
    {
        error = field.isEmpty() ? message : field + QStringLiteral(": ") + message;
        return false;
    }
    bool expected(const QString &field, const QString &what, const QJsonValue &got)
    {
        return fail(field, QStringLiteral("expected %1, got %2").arg(what, shown(got)));
    }

    bool object(const QString &field, const QJsonValue &value, QJsonObject *out)
    {
        if (!value.isObject())
            return expected(field, QStringLiteral("an object"), value);
        *out = value.toObject();
        return true;
    }

    bool onlyKnownKeys(const QString &field, const QJsonObject &o, const QStringList &known)
    {
        for (auto it = o.begin(); it != o.end(); ++it) {
            if (!known.contains(it.key()))
                return fail(field,
                            QStringLiteral("unknown key \"%1\" (%2)").arg(it.key(), known.join(QStringLiteral(", "))));
        }
        return true;
    }

    // A whole number in min..max; 1.5, 1e10 or "888" are refused.
    bool integer(const QString &field, const QJsonValue &value, double min, double max, double *out)
    {
        const double d = value.toDouble();
        if (!value.isDouble() || d != std::floor(d) || d < min || d > max)
            return expected(field, QStringLiteral("an integer %1..%2").arg(min, 0, 'f', 0).arg(max, 0, 'f', 0), value);
        *out = d;
        return true;
    }

    // Identification texts are answered in one ISDU response, so they must fit its data.
    bool text(const QString &field, const QJsonValue &value, QString *out)
    {
        if (!value.isString() || value.toString().toUtf8().size() > IsduMailbox::maxData)
            return expected(field, QStringLiteral("a text of at most %1 bytes in UTF-8").arg(IsduMailbox::maxData),
                            value);
        *out = value.toString();
        return true;
    }

    bool optionalText(const QString &field, const QJsonObject &o, const char *key, QString *out)
    {
        const QString name = QLatin1String(key);
        return !o.contains(name) || text(field + QLatin1Char('.') + name, o.value(name), out);
    }

    // Octets in hex, two digits each; blanks may separate them ("06 67 0002").
    bool octets(const QString &field, const QJsonValue &value, QByteArray *out)
    {
        static const QRegularExpression blanks(QStringLiteral("\\s+"));
        static const QRegularExpression hexOctets(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
        const QStringList groups = value.toString().split(blanks, Qt::SkipEmptyParts);
        if (!value.isString() || !std::all_of(groups.begin(), groups.end(), [](const QString &g) {
                return hexOctets.match(g).hasMatch();
            }))
            return expected(field, QStringLiteral("octets in hex"), value);
        *out = QByteArray::fromHex(groups.join(QString()).toLatin1());
        return true;
    }

    bool parameters(const QString &field, const QJsonValue &value, QMap<IoddDevice::Address, QByteArray> *out);
    bool writeErrors(const QString &field, const QJsonValue &value, QMap<quint16, quint16> *out);
    bool events(const QString &field, const QJsonValue &value, QList<IoddDevice::Options::Event> *out);
    bool rules(const QString &field, const QJsonValue &value, QList<IoddDevice::Options::Rule> *out);

    // Seconds after start, to the millisecond: 0..86400, or above 0 when `positive`.
    bool seconds(const QString &field, const QJsonValue &value, bool positive, qint64 *ms)
    {
        const double d = value.toDouble();
        if (!value.isDouble() || d < 0 || (positive && d <= 0) || d > 86400)
            return expected(
                field, positive ? QStringLiteral("seconds above 0, at most 86400") : QStringLiteral("seconds 0..86400"),
                value);
        *ms = qint64(std::llround(d * 1000));
        return true;
    }

    bool boolean(const QString &field, const QJsonValue &value, bool *out)
    {
        if (!value.isBool())
            return expected(field, QStringLiteral("true or false"), value);
        *out = value.toBool();
        return true;
    }

    bool choice(const QString &field, const QJsonValue &value, const QStringList &names, int *index)
    {
        *index = value.isString() ? names.indexOf(value.toString()) : -1;
        if (*index < 0)
            return expected(field, QStringLiteral("one of ") + names.join(QStringLiteral(", ")), value);
        return true;
    }

    std::unique_ptr<VirtualDevice> device(const QString &field, const QJsonValue &value);
    std::unique_ptr<VirtualDevice> ioddDevice(const QString &field, const QJsonObject &o);
    std::unique_ptr<VirtualDevice> genericDevice(const QString &field, const QJsonObject &o);
    bool port(const QString &field, const QJsonValue &value, PortPlan *plan);
    bool adapter(const QString &field, const QJsonValue &value, AdapterPlan *plan);
};

std::unique_ptr<VirtualDevice> Reader::device(const QString &field, const QJsonValue &value)
{
    QJsonObject o;
    if (!object(field, value, &o))
        return nullptr;
    int type = 0; // generic unless named
    const QStringList types{QStringLiteral("generic"), QStringLiteral("iodd")};
    if (o.contains(QStringLiteral("type"))
        && !choice(field + QStringLiteral(".type"), o.value(QStringLiteral("type")), types, &type))
        return nullptr;
    return type == 1 ? ioddDevice(field, o) : genericDevice(field, o);
}

// A device built from a description file: a relative path is looked for in
// the working directory, then in the tool's data folder (DataLocations:
// beside the executable in the build tree, share/vanto-hub8 installed).
std::unique_ptr<VirtualDevice> Reader::ioddDevice(const QString &field, const QJsonObject &o)
{
    if (!onlyKnownKeys(field, o, ioddKeys))
        return nullptr;
    const QString fileField = field + QStringLiteral(".file");
    const QJsonValue fileValue = o.value(QStringLiteral("file"));
    if (!fileValue.isString() || fileValue.toString().isEmpty()) {
        expected(fileField, QStringLiteral("the path of a description file"), fileValue);
        return nullptr;
    }
    IoddDevice::Options options;
    if (!optionalText(field, o, "serialNumber", &options.serialNumber)
        || !optionalText(field, o, "hardwareRevision", &options.hardwareRevision)
        || !optionalText(field, o, "firmwareRevision", &options.firmwareRevision))
        return nullptr;
    const QString pdField = field + QStringLiteral(".processDataIn");
    const QJsonValue pdValue = o.value(QStringLiteral("processDataIn"));
    if (o.contains(QStringLiteral("parameters"))
        && !parameters(field + QStringLiteral(".parameters"), o.value(QStringLiteral("parameters")),
                       &options.parameters))
        return nullptr;
    if (o.contains(QStringLiteral("processDataIn")) && !octets(pdField, pdValue, &options.processDataIn.emplace()))
        return nullptr;
    if (o.contains(QStringLiteral("writeErrors"))
        && !writeErrors(field + QStringLiteral(".writeErrors"), o.value(QStringLiteral("writeErrors")),
                        &options.writeErrors))
        return nullptr;
    if (o.contains(QStringLiteral("events"))
        && !events(field + QStringLiteral(".events"), o.value(QStringLiteral("events")), &options.events))
        return nullptr;
    if (o.contains(QStringLiteral("rules"))
        && !rules(field + QStringLiteral(".rules"), o.value(QStringLiteral("rules")), &options.rules))
        return nullptr;

    const QString file = fileValue.toString();
    QString path = file;
    if (QFileInfo(file).isRelative()) {
        path = QDir::current().absoluteFilePath(file);
        if (!QFileInfo::exists(path))
            path = QDir(DataLocations::dataDir()).absoluteFilePath(file);
    }
    QString why;
    std::unique_ptr<IoddDevice> made =
        IoddDevice::fromFile(path, DataLocations::standardDefinitionsDir(), &why, options);
    if (!made) {
        fail(fileField, why);
        return nullptr;
    }
    for (int i = 0; i < options.rules.size(); ++i) {
        const QString problem = made->ruleProblem(options.rules.at(i));
        if (!problem.isEmpty()) {
            fail(field + QStringLiteral(".rules[%1]").arg(i), problem);
            return nullptr;
        }
    }
    // Only the description knows how long its input is.
    if (options.processDataIn && options.processDataIn->size() != made->processDataInOctets()) {
        expected(pdField, QStringLiteral("%1 octets in hex").arg(made->processDataInOctets()), pdValue);
        return nullptr;
    }
    return made;
}

std::unique_ptr<VirtualDevice> Reader::genericDevice(const QString &field, const QJsonObject &o)
{
    if (!onlyKnownKeys(field, o, genericKeys))
        return nullptr;
    GenericDevice::Identity id;
    double vendor = id.vendorId;
    double device = id.deviceId;
    if (o.contains(QStringLiteral("vendorId"))
        && !integer(field + QStringLiteral(".vendorId"), o.value(QStringLiteral("vendorId")), 0, 0xFFFF, &vendor))
        return nullptr;
    if (o.contains(QStringLiteral("deviceId"))
        && !integer(field + QStringLiteral(".deviceId"), o.value(QStringLiteral("deviceId")), 0, 0xFFFFFF, &device))
        return nullptr;
    id.vendorId = quint16(vendor);
    id.deviceId = quint32(device);
    if (!optionalText(field, o, "vendorName", &id.vendorName) || !optionalText(field, o, "vendorText", &id.vendorText)
        || !optionalText(field, o, "productName", &id.productName)
        || !optionalText(field, o, "productId", &id.productId)
        || !optionalText(field, o, "productText", &id.productText)
        || !optionalText(field, o, "serialNumber", &id.serialNumber)
        || !optionalText(field, o, "hardwareRevision", &id.hardwareRevision)
        || !optionalText(field, o, "firmwareRevision", &id.firmwareRevision))
        return nullptr;
    return std::make_unique<GenericDevice>(id);
}

// "index" or "index:subindex" -> octets a read of it answers.
bool Reader::parameters(const QString &field, const QJsonValue &value, QMap<IoddDevice::Address, QByteArray> *out)
{
    static const QRegularExpression address(QStringLiteral("^(\\d{1,5})(?::(\\d{1,3}))?$"));
    QJsonObject o;
    if (!object(field, value, &o))
        return false;
    QMap<IoddDevice::Address, QString> keys;
    for (auto it = o.begin(); it != o.end(); ++it) {
        const QRegularExpressionMatch m = address.match(it.key());
        const uint index = m.captured(1).toUInt();
        const uint subindex = m.captured(2).toUInt();
        if (!m.hasMatch() || index > 0xFFFF || subindex > 0xFF)
            return expected(field, QStringLiteral("an index 0..65535 or index:subindex with subindex 0..255"),
                            it.key());
        const IoddDevice::Address at{quint16(index), quint8(subindex)};
        if (keys.contains(at))
            return fail(
                field,
                QStringLiteral("\"%1\" and \"%2\" name the same index and subindex").arg(keys.value(at), it.key()));
        keys.insert(at, it.key());
        QByteArray data;
        if (!octets(field + QLatin1Char('.') + it.key(), it.value(), &data))
            return false;
        if (data.size() > IsduMailbox::maxData)
            return expected(field + QLatin1Char('.') + it.key(),
                            QStringLiteral("at most %1 octets in hex").arg(IsduMailbox::maxData), it.value());
        out->insert(at, data);
    }
    return true;
}

// {"66": "0x8030"}: every write to index 66 is refused with that ISDU error code.
bool Reader::writeErrors(const QString &field, const QJsonValue &value, QMap<quint16, quint16> *out)
{
    static const QRegularExpression index(QStringLiteral("^\\d{1,5}$"));
    static const QRegularExpression code(QStringLiteral("^0x8[0-9a-fA-F]{3}$"));
    QJsonObject o;
    if (!object(field, value, &o))
        return false;
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (!index.match(it.key()).hasMatch() || it.key().toUInt() > 0xFFFF)
            return expected(field, QStringLiteral("an index 0..65535"), it.key());
        const QString text = it.value().toString();
        if (!it.value().isString() || !code.match(text).hasMatch())
            return expected(field + QLatin1Char('.') + it.key(), QStringLiteral("an ISDU error code 0x8000..0x8fff"),
                            it.value());
        out->insert(quint16(it.key().toUInt()), quint16(text.mid(2).toUInt(nullptr, 16)));
    }
    return true;
}

// [{"index": 60, "above": 61}]: the number at index 60 must stay above the
// one at index 61.
bool Reader::rules(const QString &field, const QJsonValue &value, QList<IoddDevice::Options::Rule> *out)
{
    if (!value.isArray())
        return expected(field, QStringLiteral("an array"), value);
    const QJsonArray list = value.toArray();
    for (int i = 0; i < list.size(); ++i) {
        const QString at = field + QStringLiteral("[%1]").arg(i);
        QJsonObject o;
        if (!object(at, list.at(i), &o) || !onlyKnownKeys(at, o, {QStringLiteral("index"), QStringLiteral("above")}))
            return false;
        double index = 0, above = 0;
        if (!integer(at + QStringLiteral(".index"), o.value(QStringLiteral("index")), 0, 0xFFFF, &index)
            || !integer(at + QStringLiteral(".above"), o.value(QStringLiteral("above")), 0, 0xFFFF, &above))
            return false;
        out->append({quint16(index), quint16(above)});
    }
    return true;
}

// [{"code": "0x4210", "type": "warning", "at": 3, "for": 10}]: events the
// device reports from `at` seconds after start, for `for` seconds (absent:
// from then on).
bool Reader::events(const QString &field, const QJsonValue &value, QList<IoddDevice::Options::Event> *out)
{
    static const QRegularExpression code(QStringLiteral("^0x[0-9a-fA-F]{1,4}$"));
    const QStringList types{QStringLiteral("notification"), QStringLiteral("warning"), QStringLiteral("error")};
    const EventType typeValues[] = {EventType::Notification, EventType::Warning, EventType::Error};
    if (!value.isArray())
        return expected(field, QStringLiteral("an array"), value);
    const QJsonArray list = value.toArray();
    for (int i = 0; i < list.size(); ++i) {
        const QString at = QStringLiteral("%1[%2]").arg(field).arg(i);
        QJsonObject o;
        if (!object(at, list.at(i), &o)
            || !onlyKnownKeys(
                at, o, {QStringLiteral("code"), QStringLiteral("type"), QStringLiteral("at"), QStringLiteral("for")}))
            return false;
        IoddDevice::Options::Event event;
        const QJsonValue codeValue = o.value(QStringLiteral("code"));
        const uint number = codeValue.toString().mid(2).toUInt(nullptr, 16);
        if (!codeValue.isString() || !code.match(codeValue.toString()).hasMatch() || number == 0)
            return expected(at + QStringLiteral(".code"), QStringLiteral("an event code 0x0001..0xffff"), codeValue);
        event.code = quint16(number);
        int type = 0;
        if (!choice(at + QStringLiteral(".type"), o.value(QStringLiteral("type")), types, &type))
            return false;
        event.type = typeValues[type];
        if (o.contains(QStringLiteral("at"))
            && !seconds(at + QStringLiteral(".at"), o.value(QStringLiteral("at")), false, &event.atMs))
            return false;
        if (o.contains(QStringLiteral("for"))
            && !seconds(at + QStringLiteral(".for"), o.value(QStringLiteral("for")), true, &event.forMs))
            return false;
        out->append(event);
    }
    return true;
}

bool Reader::port(const QString &field, const QJsonValue &value, PortPlan *plan)
{
    QJsonObject o;
    if (!object(field, value, &o) || !onlyKnownKeys(field, o, {QStringLiteral("mode"), QStringLiteral("device")}))
        return false;
    int mode = 0; // off unless named
    if (o.contains(QStringLiteral("mode"))
        && !choice(field + QStringLiteral(".mode"), o.value(QStringLiteral("mode")), modeNames, &mode))
        return false;
    plan->mode = modes[mode];
    if (o.contains(QStringLiteral("device"))) {
        plan->device = device(field + QStringLiteral(".device"), o.value(QStringLiteral("device")));
        if (!plan->device)
            return false;
    }
    return true;
}

// What the adapter itself offers: with "absent": true no adapter is found on
// USB; with "portStatusBlock": false it serves only the other registers, like
// an adapter without the port-status block.
bool Reader::adapter(const QString &field, const QJsonValue &value, AdapterPlan *plan)
{
    QJsonObject o;
    const QString absent = QStringLiteral("absent");
    const QString block = QStringLiteral("portStatusBlock");
    return object(field, value, &o) && onlyKnownKeys(field, o, {absent, block})
        && (!o.contains(absent) || boolean(field + QLatin1Char('.') + absent, o.value(absent), &plan->absent))
        && (!o.contains(block) || boolean(field + QLatin1Char('.') + block, o.value(block), &plan->portStatusBlock));
}

} // namespace

bool applyScenarioJson(const QByteArray &json, VirtualAdapter &adapter, QString *error)
{
    const QString duplicate = firstDuplicateKey(json);
    if (!duplicate.isEmpty()) {
        *error = QStringLiteral("%1: given twice").arg(duplicate);
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("not JSON: %1 at offset %2").arg(parseError.errorString()).arg(parseError.offset);
        return false;
    }
    if (!doc.isObject()) {
        *error = QStringLiteral("expected an object at the top, got an array");
        return false;
    }

    // Everything is read and checked before the adapter is touched.
    Reader read;
    const QJsonObject root = doc.object();
    double latency = VirtualAdapter::Faults().isduLatencyMs;
    double reportLatency = VirtualAdapter::Faults().lateAnswerMs;
    AdapterPlan adapterPlan;
    std::array<PortPlan, VirtualAdapter::portCount> plan;
    QJsonObject ports;
    const QStringList topKeys{QStringLiteral("adapter"), QStringLiteral("isduLatencyMs"),
                              QStringLiteral("reportLatencyMs"), QStringLiteral("ports")};
    const bool ok = read.onlyKnownKeys(QString(), root, topKeys)
        && (!root.contains(QStringLiteral("adapter"))
            || read.adapter(QStringLiteral("adapter"), root.value(QStringLiteral("adapter")), &adapterPlan))
        && (!root.contains(QStringLiteral("isduLatencyMs"))
            || read.integer(QStringLiteral("isduLatencyMs"), root.value(QStringLiteral("isduLatencyMs")), 0, 10000,
                            &latency))
        && (!root.contains(QStringLiteral("reportLatencyMs"))
            || read.integer(QStringLiteral("reportLatencyMs"), root.value(QStringLiteral("reportLatencyMs")), 0, 5000,
                            &reportLatency))
        && (!root.contains(QStringLiteral("ports"))
            || read.object(QStringLiteral("ports"), root.value(QStringLiteral("ports")), &ports));
    if (!ok) {
        *error = read.error;
        return false;
    }
    for (auto it = ports.begin(); it != ports.end(); ++it) {
        // Exactly "Port1" .. "Port8": no spaces, signs or leading zeros.
        int number = 0;
        while (number < VirtualAdapter::portCount && it.key() != QStringLiteral("Port%1").arg(number + 1))
            ++number;
        if (number == VirtualAdapter::portCount) {
            *error = QStringLiteral("ports: unknown port \"%1\" (Port1 ... Port%2)")
                         .arg(it.key())
                         .arg(VirtualAdapter::portCount);
            return false;
        }
        if (!read.port(QStringLiteral("ports.") + it.key(), it.value(), &plan[size_t(number)])) {
            *error = read.error;
            return false;
        }
    }

    adapter.reset();
    adapter.changeFaults([&](VirtualAdapter::Faults &f) {
        f.isduLatencyMs = int(latency);
        f.lateAnswerMs = int(reportLatency);
        f.absent = adapterPlan.absent;
    });
    adapter.setPortStatusBlock(adapterPlan.portStatusBlock);
    for (int p = 0; p < VirtualAdapter::portCount; ++p)
        adapter.setPort(p, plan[size_t(p)].mode, std::move(plan[size_t(p)].device));
    return true;
}

bool applyScenarioFile(const QString &path, VirtualAdapter &adapter, QString *error)
{
    QByteArray json;
    QString why;
    if (!WholeFile::read(path, 1024 * 1024, &json, &why)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, why);
        return false;
    }
    return applyScenarioJson(json, adapter, error);
}
