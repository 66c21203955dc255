#ifndef PORTDEVICEIDENTITY_H
#define PORTDEVICEIDENTITY_H

#include "library/identitycheck.h"

#include <functional>

class QObject;
class PortStatusMonitor;

// Learns the identity of the device on port 0..7, for the library's check
// before a file is loaded onto the port: the vendor and device id from the
// adapter's port-status block where it has one, otherwise from the device's
// direct parameter page 1; the vendor and product name as a device in operate
// answers them. Unknown, with the reason, when the adapter does not answer or
// no IO-Link device is on the port. The reads are jobs on the link; `done`
// is called once when they are over, unless `context` was deleted first.
void learnPortDevice(PortStatusMonitor *monitor, int port, QObject *context,
                     std::function<void(const DeviceIdentity &)> done);

#endif // PORTDEVICEIDENTITY_H
