#ifndef IDENTITYCHECK_H
#define IDENTITYCHECK_H

#include <QString>
#include <QtGlobal>

// The vendor and device id of a description file or of the device on a port,
// or why they are not known.
struct DeviceIdentity
{
    bool known = false;
    quint16 vendorId = 0;
    quint32 deviceId = 0;
    QString name;   // vendor and product name where known, e.g. "Pellamar KTX-400A-M12"
    QString reason; // why the ids are not known

    static DeviceIdentity of(quint16 vendorId, quint32 deviceId, const QString &name = QString());
    static DeviceIdentity unknown(const QString &reason);
};

enum class IdentityMatch {
    Same,          // both known, equal ids
    Different,     // the device is known and the file is not for it (or has no ids)
    DeviceUnknown, // the device's ids could not be learned
};

namespace IdentityCheck {

// The identity a description file declares, with its vendor and product
// name; unknown when the file has no vendor id and device id of at least 1.
DeviceIdentity ofFile(const QString &path);

IdentityMatch compare(const DeviceIdentity &file, const DeviceIdentity &device);

// The question asked before a file is loaded onto port 0..7: empty when the
// identities match, otherwise names both identities (or why the device's is
// not known) and asks whether to load the file anyway.
QString question(int port, const DeviceIdentity &file, const DeviceIdentity &device);

} // namespace IdentityCheck

#endif // IDENTITYCHECK_H
