// The events of a device built from an IODD: what its Device Status and
// Detailed Device Status answer over time.

#include "iodddevice.h"

#include <QtGlobal>

QVector<DeviceEventEntry> IoddDevice::activeEvents(qint64 ms) const
{
    QVector<DeviceEventEntry> present;
    for (const Options::Event &e : m_events) {
        if (ms < e.atMs || (e.forMs >= 0 && ms >= e.atMs + e.forMs))
            continue;
        EventQualifier q;
        q.mode = e.type == EventType::Notification ? EventMode::SingleShot : EventMode::Appears;
        q.type = e.type;
        q.instance = EventQualifier::instanceApplication;
        DeviceEventEntry entry;
        entry.qualifier = q.encode();
        entry.code = e.code;
        present.append(entry);
    }
    return present;
}

quint8 IoddDevice::deviceStatus(qint64 ms) const
{
    DeviceStatus status = DeviceStatus::Ok;
    for (const DeviceEventEntry &e : activeEvents(ms)) {
        if (e.decoded().type == EventType::Error)
            return quint8(DeviceStatus::Failure);
        if (e.decoded().type == EventType::Warning)
            status = DeviceStatus::OutOfRatedRange;
    }
    return quint8(status);
}

QByteArray IoddDevice::detailedDeviceStatus(qint64 ms) const
{
    return encodeDetailedDeviceStatus(activeEvents(ms), m_eventSlots);
}
