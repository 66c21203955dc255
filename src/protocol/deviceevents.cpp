#include "deviceevents.h"

EventQualifier EventQualifier::decode(quint8 octet)
{
    EventQualifier q;
    q.mode = EventMode(octet >> 6);
    q.type = EventType((octet >> 4) & 0x03);
    q.fromMaster = (octet & 0x08) != 0;
    q.instance = octet & 0x07;
    return q;
}

quint8 EventQualifier::encode() const
{
    return quint8((quint8(mode) & 0x03) << 6 | (quint8(type) & 0x03) << 4 | (fromMaster ? 0x08 : 0)
                  | (instance & 0x07));
}

QVector<DeviceEventEntry> decodeDetailedDeviceStatus(const QByteArray &octets)
{
    QVector<DeviceEventEntry> entries;
    for (int at = 0; at + DeviceEvents::entryOctets <= octets.size(); at += DeviceEvents::entryOctets) {
        DeviceEventEntry e;
        e.qualifier = quint8(octets.at(at));
        e.code = quint16(quint8(octets.at(at + 1)) << 8 | quint8(octets.at(at + 2)));
        if (!e.isEmpty())
            entries.append(e);
    }
    return entries;
}

QByteArray encodeDetailedDeviceStatus(const QVector<DeviceEventEntry> &entries, int slots)
{
    QByteArray image(qMax(slots, 0) * DeviceEvents::entryOctets, '\0');
    for (int i = 0; i < entries.size() && i < slots; ++i) {
        const int at = i * DeviceEvents::entryOctets;
        image[at] = char(entries.at(i).qualifier);
        image[at + 1] = char(entries.at(i).code >> 8);
        image[at + 2] = char(entries.at(i).code & 0xFF);
    }
    return image;
}
