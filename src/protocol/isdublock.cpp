#include "isdublock.h"

#include <QCoreApplication>

#include <algorithm>

IsduRequestBlock IsduRequestBlock::make(quint8 service, quint8 portNumber, quint16 index, quint8 subindex,
                                        quint8 length)
{
    IsduRequestBlock b;
    b.bytes[0] = service;
    b.bytes[1] = portNumber;
    b.bytes[2] = 0x00;
    b.bytes[3] = quint8(index >> 8);
    b.bytes[4] = quint8(index & 0xFF);
    b.bytes[5] = subindex;
    b.bytes[6] = length;
    return b;
}

IsduRequestBlock IsduRequestBlock::read(quint8 portNumber, quint16 index, quint8 subindex)
{
    return make(IsduService::read, portNumber, index, subindex, 0);
}

IsduRequestBlock IsduRequestBlock::write(quint8 portNumber, quint16 index, quint8 subindex, const QByteArray &data)
{
    const int length = std::min(int(data.size()), maxData);
    IsduRequestBlock b = make(IsduService::write, portNumber, index, subindex, quint8(length));
    std::copy(data.cbegin(), data.cbegin() + length, b.data());
    return b;
}

QByteArray IsduRequestBlock::toByteArray() const
{
    return QByteArray(reinterpret_cast<const char *>(bytes), size);
}

QByteArray IsduResponseBlock::data() const
{
    if (m_raw.size() <= 7)
        return QByteArray();
    return m_raw.mid(7, length());
}

QByteArray IsduResponseBlock::dataRightAligned() const
{
    QByteArray d = data();
    if (length() > d.size())
        d.prepend(QByteArray(length() - d.size(), '\0'));
    return d;
}

QString isduStatusText(quint8 status)
{
    switch (status) {
    case 0x00:
    case 0x02:
        return QString();
    case 0x01:
        return QCoreApplication::translate("Isdu", "主站忙，指令冲突");
    case 0x04:
        return QCoreApplication::translate("Isdu", "指令不匹配");
    case 0x05:
        return QCoreApplication::translate("Isdu", "指令类型错误");
    case 0x06:
        return QCoreApplication::translate("Isdu", "设备通信失败");
    case 0x07:
        return QCoreApplication::translate("Isdu", "端口不正确");
    case 0x08:
        return QCoreApplication::translate("Isdu", "数据长度错误");
    case 0xFF:
        return QCoreApplication::translate("Isdu", "从设备应答出错");
    default:
        return QCoreApplication::translate("Isdu", "非标准错误：返回值是：%1").arg(status);
    }
}

QString isduDeviceErrorText(quint16 code)
{
    switch (code) {
    case 0x8000:
        return QStringLiteral("Application error in the device - no details");
    case 0x8011:
        return QStringLiteral("Index not available");
    case 0x8012:
        return QStringLiteral("Subindex not available");
    case 0x8020:
        return QStringLiteral("Service temporarily not available");
    case 0x8021:
        return QStringLiteral("Service temporarily not available - local control");
    case 0x8022:
        return QStringLiteral("Service temporarily not available - device control");
    case 0x8023:
        return QStringLiteral("Access denied");
    case 0x8030:
        return QStringLiteral("Parameter value out of range");
    case 0x8031:
        return QStringLiteral("Parameter value above limit");
    case 0x8032:
        return QStringLiteral("Parameter value below limit");
    case 0x8033:
        return QStringLiteral("Parameter length overrun");
    case 0x8034:
        return QStringLiteral("Parameter length underrun");
    case 0x8035:
        return QStringLiteral("Function not available");
    case 0x8036:
        return QStringLiteral("Function temporarily unavailable");
    case 0x8040:
        return QStringLiteral("Invalid parameter set");
    case 0x8041:
        return QStringLiteral("Inconsistent parameter set");
    case 0x8082:
        return QStringLiteral("Application not ready");
    default:
        return QString();
    }
}
