#ifndef DEVICEEVENTS_H
#define DEVICEEVENTS_H

#include <QByteArray>
#include <QVector>
#include <QtGlobal>

// What an IO-Link device says about its own health: the Device Status
// (index 36, one octet) and the Detailed Device Status (index 37, the events
// present, 3 octets each: event qualifier, event code big-endian; 0x000000 is
// an empty slot). Used by the link to read them and by the virtual devices to
// answer them.
namespace DeviceEvents {
constexpr quint16 deviceStatusIndex = 36;
constexpr quint16 detailedStatusIndex = 37;
constexpr int entryOctets = 3;
} // namespace DeviceEvents

// Values of the Device Status octet; 5..255 are reserved.
enum class DeviceStatus : quint8 {
    Ok = 0,
    MaintenanceRequired = 1,
    OutOfRatedRange = 2,
    FunctionalCheck = 3,
    Failure = 4,
};

// Event qualifier bits 7..6.
enum class EventMode : quint8 { Reserved = 0, SingleShot = 1, Disappears = 2, Appears = 3 };
// Event qualifier bits 5..4.
enum class EventType : quint8 { Reserved = 0, Notification = 1, Warning = 2, Error = 3 };

// The event qualifier octet: mode (bits 7..6), type (5..4), source (bit 3:
// 0 the device, 1 the master or its port) and instance (2..0: 0 unknown,
// 4 the application; the others are reserved or name protocol layers).
struct EventQualifier
{
    static constexpr quint8 instanceUnknown = 0;
    static constexpr quint8 instanceApplication = 4;

    EventMode mode = EventMode::Reserved;
    EventType type = EventType::Reserved;
    bool fromMaster = false;
    quint8 instance = instanceUnknown;

    static EventQualifier decode(quint8 octet);
    quint8 encode() const;
};

// One entry of the Detailed Device Status.
struct DeviceEventEntry
{
    quint8 qualifier = 0;
    quint16 code = 0;

    EventQualifier decoded() const { return EventQualifier::decode(qualifier); }
    bool isEmpty() const { return qualifier == 0 && code == 0; }
    bool operator==(const DeviceEventEntry &o) const { return qualifier == o.qualifier && code == o.code; }
    bool operator!=(const DeviceEventEntry &o) const { return !(*this == o); }
};

// The entries of a Detailed Device Status image in slot order, empty slots
// left out; octets after the last whole entry are ignored.
QVector<DeviceEventEntry> decodeDetailedDeviceStatus(const QByteArray &octets);
// An image of `slots` entries: the first `slots` of `entries`, then empty slots.
QByteArray encodeDetailedDeviceStatus(const QVector<DeviceEventEntry> &entries, int slots);

#endif // DEVICEEVENTS_H
