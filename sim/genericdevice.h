#ifndef GENERICDEVICE_H
#define GENERICDEVICE_H

#include "virtualdevice.h"

#include <QMap>
#include <QString>

// A device known only by the standard identification of IO-Link: vendor and
// product strings, serial number, revisions, an application-specific tag, the
// device status and the direct parameter page. Everything else is answered
// with "index not available".
class GenericDevice : public VirtualDevice
{
public:
    struct Identity
    {
        quint16 vendorId = 888;
        quint32 deviceId = 0x000101;
        QString vendorName = QStringLiteral("Vanto Systems");
        QString vendorText = QStringLiteral("Generic IO-Link device");
        QString productName = QStringLiteral("IOL-GEN-1");
        QString productId = QStringLiteral("IOL-GEN-1");
        QString productText = QStringLiteral("Generic IO-Link sensor");
        QString serialNumber = QStringLiteral("SN0000001");
        QString hardwareRevision = QStringLiteral("HW 1.0");
        QString firmwareRevision = QStringLiteral("FW 1.0.0");
    };

    GenericDevice();
    explicit GenericDevice(const Identity &identity);

    quint16 vendorId() const override { return m_identity.vendorId; }
    quint32 deviceId() const override { return m_identity.deviceId; }

    IsduAnswer readIsdu(quint16 index, quint8 subindex) override;
    IsduAnswer writeIsdu(quint16 index, quint8 subindex, const QByteArray &data) override;
    QByteArray processDataIn(qint64 ms) const override;

    static constexpr int applicationTagMaxLength = 32;

private:
    QByteArray directParameterPage1() const;

    Identity m_identity;
    QByteArray m_applicationTag;
    quint8 m_deviceStatus = 0;
};

#endif // GENERICDEVICE_H
