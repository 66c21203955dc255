#include "identitycheck.h"

#include "description/ioddheaderreader.h"

#include <QCoreApplication>
#include <QStringList>

DeviceIdentity DeviceIdentity::of(quint16 vendorId, quint32 deviceId, const QString &name)
{
    DeviceIdentity identity;
    identity.known = true;
    identity.vendorId = vendorId;
    identity.deviceId = deviceId;
    identity.name = name.trimmed();
    return identity;
}

DeviceIdentity DeviceIdentity::unknown(const QString &reason)
{
    DeviceIdentity identity;
    identity.reason = reason;
    return identity;
}

namespace {

// The texts of this file, translated in the context "IdentityCheck".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(IdentityCheck)
};

QString describe(const DeviceIdentity &identity)
{
    QString text = QStringLiteral("vendor %1 / device %2").arg(identity.vendorId).arg(identity.deviceId);
    if (!identity.name.isEmpty())
        text += QStringLiteral(" (%1)").arg(identity.name);
    return text;
}

} // namespace

namespace IdentityCheck {

DeviceIdentity ofFile(const QString &path)
{
    IoddHeaderReader parser;
    if (parser.open(path) != 0)
        return DeviceIdentity::unknown(Texts::tr("文件无法打开"));
    const int vendorId = parser.vendorId();
    const int deviceId = parser.deviceId();
    if (vendorId < 1 || vendorId > 0xFFFF || deviceId < 1 || deviceId > 0xFFFFFF)
        return DeviceIdentity::unknown(Texts::tr("文件中没有有效的供应商ID和设备ID"));

    const DeviceInfo info = parser.readDeviceInfo();
    QString vendorName = info.vendorName;
    if (vendorName.isEmpty())
        vendorName = parser.attribute(QStringLiteral("DeviceIdentity"), QStringLiteral("vendorName"));
    QStringList names;
    for (const QString &name : {vendorName.trimmed(), info.productName.trimmed()})
        if (!name.isEmpty())
            names << name;
    return DeviceIdentity::of(quint16(vendorId), quint32(deviceId), names.join(QLatin1Char(' ')));
}

IdentityMatch compare(const DeviceIdentity &file, const DeviceIdentity &device)
{
    if (!device.known)
        return IdentityMatch::DeviceUnknown;
    if (!file.known || file.vendorId != device.vendorId || file.deviceId != device.deviceId)
        return IdentityMatch::Different;
    return IdentityMatch::Same;
}

QString question(int port, const DeviceIdentity &file, const DeviceIdentity &device)
{
    const QString portName = QStringLiteral("Port%1").arg(port + 1);
    const QString fileText = file.known ? describe(file) : Texts::tr("没有有效的 vendor / device id");
    switch (compare(file, device)) {
    case IdentityMatch::Same:
        return QString();
    case IdentityMatch::Different:
        return Texts::tr("描述文件与 %1 上的设备不符：\n文件: %2\n设备: %3\n\n仍要加载吗？")
            .arg(portName, fileText, describe(device));
    case IdentityMatch::DeviceUnknown:
        break;
    }
    const QString reason = device.reason.isEmpty() ? QString() : Texts::tr("（%1）").arg(device.reason);
    return Texts::tr("无法得知 %1 上设备的身份%2，不能确认描述文件是否适用：\n文件: %3\n设备: 未知\n\n仍要加载吗？")
        .arg(portName, reason, fileText);
}

} // namespace IdentityCheck
