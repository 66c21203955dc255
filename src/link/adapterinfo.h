#ifndef ADAPTERINFO_H
#define ADAPTERINFO_H

#include <QString>
#include <QtGlobal>

constexpr quint16 adapterUsbVendorId = 0x2E3C;
constexpr quint16 adapterUsbProductId = 0xAF01;

// The adapter's USB identity as hidapi reports it.
struct AdapterUsbInfo
{
    bool found = false; // the adapter is on the bus
    QString manufacturer;
    QString product;
    QString serialNumber;
    QString path;
    quint16 releaseNumber = 0; // binary-coded decimal: 0x0100 is 1.00

    // The release number as "1.00".
    QString releaseText() const;
};

// Enumerates the adapter (USB 2e3c:af01); the first one found gives the path
// and release number. Manufacturer, product and serial number are read from
// the device itself through a handle of their own, so they are what the
// device answers now; when it cannot be opened, the enumeration's stand.
AdapterUsbInfo readAdapterUsbInfo();

#endif // ADAPTERINFO_H
