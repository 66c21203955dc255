#ifndef PORTDEVICEIDENTITY_H
#define PORTDEVICEIDENTITY_H

#include "library/identitycheck.h"

class QObject;
class PortStatusMonitor;

// The identity of the device on port 0..7, for the library's check before a
// file is loaded onto the port: the vendor and device id from the adapter's
// port-status block where it has one, otherwise from the device's direct
// parameter page 1; the vendor and product name as a device in operate
// answers them. Unknown, with the reason, when the adapter does not answer or
// no IO-Link device is on the port. Reads through the mailbox with local
// waits, holding the link's busy flag; when `waiter` is deleted meanwhile,
// the result is unknown and the caller must not touch the waiter.
DeviceIdentity learnPortDevice(PortStatusMonitor *monitor, int port, const QObject *waiter);

#endif // PORTDEVICEIDENTITY_H
