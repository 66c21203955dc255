#ifndef MQTTPAYLOADS_H
#define MQTTPAYLOADS_H

// The JSON payloads of the publisher (docs/mqtt.md), as pure functions of
// what was read: compact UTF-8 JSON, one object each.

#include "codec/processdatacodec.h"
#include "protocol/deviceevents.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>

// What a device says about itself: direct parameter page 1 and the
// identification texts of indexes 16..23 (null: the device gave none).
struct MqttDeviceIdentity
{
    quint16 vendorId = 0;
    quint32 deviceId = 0;
    quint8 revisionId = 0;
    QString vendorName;
    QString vendorText;
    QString productName;
    QString productId;
    QString productText;
    QString serialNumber;
    QString hardwareRevision;
    QString firmwareRevision;
    // The description used to decode its data (its payload names the file
    // alone); empty when none was found.
    QString descriptionFile;
};

namespace MqttPayloads {

// {"state": "online"} or "offline".
QByteArray publisherState(bool online);

// The adapter: whether it answers, its USB serial number.
QByteArray adapterState(bool present, const QString &serialNumber);

// The port's mode as the adapter reports it (AdapterRegisters::PortMode, or
// PortState::modeUnknown), with the device's ids while one is there.
QByteArray portState(int port, quint8 mode, quint16 vendorId, quint32 deviceId);
// The status word the port's payload carries for a mode ("DEVICE_ONLINE").
QString portStatusInfo(quint8 mode);

QByteArray identification(const MqttDeviceIdentity &identity);

// Process data: the octets and, with a layout, every item decoded as the
// process-data pages show it. `valid` false: the read failed and only
// {"time", "valid"} are sent.
QByteArray processData(const QDateTime &time, bool valid, const QByteArray &octets,
                       const ProcessDataCodec::Layout &layout);

// One event of the device, appearing or gone, with the description's text
// (empty when it has none).
QByteArray event(const QDateTime &time, const DeviceEventEntry &entry, bool appears, const QString &name,
                 const QString &description);

} // namespace MqttPayloads

#endif // MQTTPAYLOADS_H
