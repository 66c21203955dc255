#ifndef IODDDEVICEOCTETS_H
#define IODDDEVICEOCTETS_H

#include <QByteArray>
#include <QtGlobal>

// Bits and octets of the virtual IODD device's values. Octet arrays are big
// endian; bit positions count from the least significant bit of the last
// octet, as bit offsets in records and process data do.
namespace IoddDeviceData {

bool bitAt(const QByteArray &octets, int p);
void setBit(QByteArray &octets, int p, bool on);

// The bits offset .. offset + width - 1 of an image, right-aligned in
// ceil(width / 8) octets.
QByteArray extractBits(const QByteArray &image, int offset, int width);
// The low `width` bits of a right-aligned value into the image at offset.
void insertBits(QByteArray &image, int offset, int width, const QByteArray &value);

// The low `count` octets of a number (at most 8 carry data).
QByteArray toOctets(quint64 value, int count);
// The last 8 octets at most, as an unsigned number.
quint64 unsignedOf(const QByteArray &octets);
// Two's complement over all octets given (at most 8).
qint64 signedOf(const QByteArray &octets);
// IEEE 754 single precision in the last 4 octets.
float floatOf(const QByteArray &octets);
QByteArray floatOctets(double value);

// A string's octets up to its first zero.
QByteArray usedOctets(const QByteArray &text);

} // namespace IoddDeviceData

#endif // IODDDEVICEOCTETS_H
