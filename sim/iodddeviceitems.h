#ifndef IODDDEVICEITEMS_H
#define IODDDEVICEITEMS_H

#include "iodddevice.h"

#include <QByteArray>
#include <QList>

// Where the items of a record or array variable sit in its image, and the
// octets the device answers for one of them.
namespace IoddDeviceData {

// Element k (1 ..count) of an array; element 1 holds the highest bits.
IoddDevice::Item arrayElement(const IoddDevice::Variable &v, int k);
// The record item or array element with that subindex; false when there is none.
bool findItem(const IoddDevice::Variable &v, int subindex, IoddDevice::Item *out);
// Every record item or array element.
QList<IoddDevice::Item> itemsOf(const IoddDevice::Variable &v);

// The octets of one item as the device answers them by subindex: numbers
// right-aligned (signed ones sign-extended), strings up to the first zero.
QByteArray itemOctets(const QByteArray &image, const IoddDevice::Item &item);

} // namespace IoddDeviceData

#endif // IODDDEVICEITEMS_H
