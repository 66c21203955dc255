#include "scenario.h"

#include "genericdevice.h"
#include "iodddevice.h"
#include "virtualadapter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <memory>

namespace {

struct PortPlan
{
    VirtualAdapter::Mode mode = VirtualAdapter::Mode::Deactivated;
    std::unique_ptr<VirtualDevice> device;
};

bool parseMode(const QString &text, VirtualAdapter::Mode *mode)
{
    using Mode = VirtualAdapter::Mode;
    static const QList<QPair<QString, Mode>> names{
        {QStringLiteral("off"), Mode::Deactivated},      {QStringLiteral("di"), Mode::DigitalIn},
        {QStringLiteral("do"), Mode::DigitalOut},        {QStringLiteral("starting"), Mode::IoLinkStarting},
        {QStringLiteral("iolink"), Mode::IoLinkOperate}, {QStringLiteral("lost"), Mode::CommunicationLost},
    };
    for (const auto &n : names) {
        if (n.first == text) {
            *mode = n.second;
            return true;
        }
    }
    return false;
}

// A device built from a description file: a relative path is looked for in
// the working directory, then beside the executable.
std::unique_ptr<VirtualDevice> makeIoddDevice(const QJsonObject &o, QString *error)
{
    const QString file = o.value(QStringLiteral("file")).toString();
    if (file.isEmpty()) {
        *error = QStringLiteral("an \"iodd\" device needs a \"file\"");
        return nullptr;
    }
    const QString appDir = QCoreApplication::applicationDirPath();
    QString path = file;
    if (QFileInfo(file).isRelative()) {
        path = QDir::current().absoluteFilePath(file);
        if (!QFileInfo::exists(path))
            path = QDir(appDir).absoluteFilePath(file);
    }
    IoddDevice::Options options;
    options.serialNumber = o.value(QStringLiteral("serialNumber")).toString();
    options.hardwareRevision = o.value(QStringLiteral("hardwareRevision")).toString();
    options.firmwareRevision = o.value(QStringLiteral("firmwareRevision")).toString();
    return IoddDevice::fromFile(path, appDir + QStringLiteral("/std"), error, options);
}

std::unique_ptr<VirtualDevice> makeDevice(const QJsonObject &o, QString *error)
{
    const QString type = o.value(QStringLiteral("type")).toString(QStringLiteral("generic"));
    if (type == QStringLiteral("iodd"))
        return makeIoddDevice(o, error);
    if (type != QStringLiteral("generic")) {
        *error = QStringLiteral("unknown device type \"%1\" (generic, iodd)").arg(type);
        return nullptr;
    }
    GenericDevice::Identity id;
    const auto number = [&o](const char *key, double fallback) {
        return o.value(QLatin1String(key)).toDouble(fallback);
    };
    const double vendor = number("vendorId", id.vendorId);
    const double device = number("deviceId", id.deviceId);
    if (vendor < 0 || vendor > 0xFFFF || device < 0 || device > 0xFFFFFF) {
        *error = QStringLiteral("vendorId must be 0..65535 and deviceId 0..16777215");
        return nullptr;
    }
    id.vendorId = quint16(vendor);
    id.deviceId = quint32(device);
    const auto text = [&o](const char *key, QString *field) {
        if (o.contains(QLatin1String(key)))
            *field = o.value(QLatin1String(key)).toString();
    };
    text("vendorName", &id.vendorName);
    text("vendorText", &id.vendorText);
    text("productName", &id.productName);
    text("productId", &id.productId);
    text("productText", &id.productText);
    text("serialNumber", &id.serialNumber);
    text("hardwareRevision", &id.hardwareRevision);
    text("firmwareRevision", &id.firmwareRevision);
    return std::make_unique<GenericDevice>(id);
}

} // namespace

bool applyScenarioJson(const QByteArray &json, VirtualAdapter &adapter, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (!doc.isObject()) {
        *error = QStringLiteral("not a JSON object: %1").arg(parseError.errorString());
        return false;
    }
    const QJsonObject root = doc.object();
    std::array<PortPlan, VirtualAdapter::portCount> plan;
    const QJsonObject ports = root.value(QStringLiteral("ports")).toObject();
    for (auto it = ports.begin(); it != ports.end(); ++it) {
        bool ok = false;
        const int number = it.key().startsWith(QStringLiteral("Port")) ? it.key().mid(4).toInt(&ok) : 0;
        if (!ok || number < 1 || number > VirtualAdapter::portCount) {
            *error = QStringLiteral("unknown port \"%1\" (Port1 ... Port8)").arg(it.key());
            return false;
        }
        const QJsonObject p = it.value().toObject();
        PortPlan &entry = plan[size_t(number - 1)];
        const QString mode = p.value(QStringLiteral("mode")).toString(QStringLiteral("off"));
        if (!parseMode(mode, &entry.mode)) {
            *error = QStringLiteral("%1: unknown mode \"%2\" (off, di, do, starting, iolink, lost)")
                         .arg(it.key(), mode);
            return false;
        }
        if (p.contains(QStringLiteral("device"))) {
            QString deviceError;
            entry.device = makeDevice(p.value(QStringLiteral("device")).toObject(), &deviceError);
            if (!entry.device) {
                *error = it.key() + QStringLiteral(": ") + deviceError;
                return false;
            }
        }
    }
    const int latency = root.value(QStringLiteral("isduLatencyMs")).toInt(adapter.faults().isduLatencyMs);
    if (latency < 0 || latency > 10000) {
        *error = QStringLiteral("isduLatencyMs must be 0..10000");
        return false;
    }
    adapter.reset();
    adapter.faults().isduLatencyMs = latency;
    for (int p = 0; p < VirtualAdapter::portCount; ++p)
        adapter.setPort(p, plan[size_t(p)].mode, std::move(plan[size_t(p)].device));
    return true;
}

bool applyScenarioFile(const QString &path, VirtualAdapter &adapter, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.size() > 1024 * 1024) {
        *error = QStringLiteral("%1 is larger than 1 MiB").arg(path);
        return false;
    }
    return applyScenarioJson(file.readAll(), adapter, error);
}
