#ifndef DIRECTPARAMETERS_H
#define DIRECTPARAMETERS_H

#include <QByteArray>
#include <QtGlobal>

// Direct Parameter Page 1 of a virtual device, as its index 0 answers it:
// the communication parameters and the device's identity. Octet 0 (master
// command) and the vendor-specific octets 12..15 stay zero.
struct DirectParameterPage1
{
    quint8 masterCycleTime = 0;
    quint8 minCycleTime = 0;
    quint8 mSequenceCapability = 0;
    quint8 revisionId = 0;
    quint8 processDataIn = 0;
    quint8 processDataOut = 0;
    quint16 vendorId = 0;
    quint32 deviceId = 0; // 24 bits

    // The 16 octets of the page.
    QByteArray octets() const;
};

#endif // DIRECTPARAMETERS_H
