#ifndef DEVICEIDENTIFICATION_H
#define DEVICEIDENTIFICATION_H

#include "directparameterpage.h"

#include <QString>

#include <functional>

class QObject;

// What a device tells about itself without a description: its direct
// parameter page 1 (ids, IO-Link revision, minimum cycle time) and the
// identification texts at indices 16 to 21. A text the device does not
// answer stays empty.
struct DeviceIdentification
{
    bool pageRead = false; // the page answered; page holds it
    DirectParameters page;
    QString vendorName;   // index 16
    QString vendorText;   // 17
    QString productName;  // 18
    QString productId;    // 19
    QString productText;  // 20
    QString serialNumber; // 21

    // "1.1" from the revision id (major in the high, minor in the low nibble).
    QString revisionText() const;
    // A text of an identification index: UTF-8, up to the first NUL, trimmed.
    static QString textOf(const QByteArray &octets);
};

// Reads it from the device on port 0..7 as jobs on the link, one after the
// other, and calls `done` once with what was read, unless `context` was
// deleted first (its jobs then send nothing more).
void readDeviceIdentification(int port, QObject *context, std::function<void(const DeviceIdentification &)> done);

#endif // DEVICEIDENTIFICATION_H
