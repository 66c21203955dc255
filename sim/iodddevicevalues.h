#ifndef IODDDEVICEVALUES_H
#define IODDDEVICEVALUES_H

#include "iodddevice.h"

#include <QByteArray>
#include <QString>

// The values of one scalar of the virtual IODD device: the values and ranges
// it lists, the checks a write must pass, and the octets of a default value.
namespace IoddDeviceData {

// Adds a listed value or range, read as numbers of the scalar's kind; text
// that is no such number is passed over.
void addSingle(IoddDevice::Scalar &s, const QString &value);
void addRange(IoddDevice::Scalar &s, const QString &lower, const QString &upper);
bool hasLimits(const IoddDevice::Scalar &s);

// The error a device answers for a value in its own octets (right-aligned,
// signed numbers sign-extended), 0 when the value is acceptable.
quint16 checkValue(const IoddDevice::Scalar &s, const QByteArray &octets);
// Length check of a value written on its own: strings up to their fixed
// length, everything else exactly its octets.
quint16 checkLength(const IoddDevice::Scalar &s, int size);
// Both checks of a value written on its own, length first.
quint16 checkWrite(const IoddDevice::Scalar &s, const QByteArray &data);

// The octets of a default value text. A non-string without text takes the
// first value its scalar lists (of a range, the lower end), else 0.
// `inImage`: strings take their full fixed length, as inside a record or array.
QByteArray encodeDefault(const IoddDevice::Scalar &s, const QString &given, bool inImage);

} // namespace IoddDeviceData

#endif // IODDDEVICEVALUES_H
