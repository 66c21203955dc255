#ifndef ISDUBLOCK_H
#define ISDUBLOCK_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The 40-byte mailbox records of an ISDU exchange.
//
// Request (written to the request registers):
//   0 service (0x03 read, 0x02 write), 1 port number 1..8, 2 0x00,
//   3..4 index (big-endian), 5 subindex, 6 data length, 7..39 write data.
// Response (read from the response registers):
//   0 service and 1 port number of the request it answers, 2 status,
//   3..4 the device's error code when the status is deviceError, 6 data
//   length, 7.. data; the other bytes belong to the adapter.

// Status octet (2) of a response block.
namespace IsduStatus {
constexpr quint8 ok = 0x00;
constexpr quint8 busy = 0x01; // the response is not ready yet
constexpr quint8 wrongCommand = 0x05;
constexpr quint8 communicationFailed = 0x06; // no device in IO-Link operate on the port
constexpr quint8 wrongPort = 0x07;
constexpr quint8 wrongLength = 0x08;
constexpr quint8 deviceError = 0xFF; // the device answered with an ISDU error
} // namespace IsduStatus

namespace IsduService {
constexpr quint8 noOperation = 0x00;
constexpr quint8 clearData = 0x01;
constexpr quint8 write = 0x02;
constexpr quint8 read = 0x03;
} // namespace IsduService

struct IsduRequestBlock
{
    static constexpr int size = 40;
    static constexpr int dataOffset = 7;
    static constexpr int maxData = size - dataOffset;

    quint8 bytes[size] = {};

    static IsduRequestBlock make(quint8 service, quint8 portNumber, quint16 index, quint8 subindex, quint8 length);
    // A read of length 0: the answer may be as long as the variable is.
    static IsduRequestBlock read(quint8 portNumber, quint16 index, quint8 subindex);
    // A write of `data`, cut to maxData octets.
    static IsduRequestBlock write(quint8 portNumber, quint16 index, quint8 subindex, const QByteArray &data);

    quint8 service() const { return bytes[0]; }
    quint8 portNumber() const { return bytes[1]; }
    quint16 index() const { return quint16((bytes[3] << 8) | bytes[4]); }
    quint8 subindex() const { return bytes[5]; }
    quint8 length() const { return bytes[6]; }
    quint8 *data() { return bytes + dataOffset; }
    const quint8 *data() const { return bytes + dataOffset; }

    QByteArray toByteArray() const;
};

class IsduResponseBlock
{
public:
    IsduResponseBlock() = default;
    explicit IsduResponseBlock(const QByteArray &raw) : m_raw(raw) {}

    const QByteArray &raw() const { return m_raw; }
    quint8 service() const { return byteAt(0); }
    quint8 portNumber() const { return byteAt(1); }
    quint8 status() const { return byteAt(2); }
    // The device's ISDU error code (0x8011 ...) when status() is deviceError.
    quint16 deviceError() const { return quint16((byteAt(3) << 8) | byteAt(4)); }
    // 0x00 and 0x02 are success.
    bool success() const { return (status() & 0xFD) == 0; }
    int length() const { return byteAt(6); }
    // The data bytes from offset 7, `length` long (fewer when the block is short).
    QByteArray data() const;
    // Like data(), but a length beyond the octets the block holds is made up
    // by zero octets in front, so the octets present keep their place at the
    // end of the value (bit positions count from the last octet).
    QByteArray dataRightAligned() const;

private:
    quint8 byteAt(int i) const { return i < m_raw.size() ? quint8(m_raw.at(i)) : 0; }
    QByteArray m_raw;
};

// Text the tool shows for a response status; empty for success.
QString isduStatusText(quint8 status);

// The English name of a device's ISDU error code ("Index not available" for
// 0x8011); empty for a code outside the list IO-Link defines.
QString isduDeviceErrorText(quint16 code);

#endif // ISDUBLOCK_H
