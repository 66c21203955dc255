#include "defaultsetup.h"

#include "genericdevice.h"
#include "iodddevice.h"
#include "virtualadapter.h"

#include "description/datalocations.h"
#include "description/ioddfile.h"
#include "log/hub8log.h"

namespace {

// The built-in device from its description (loaded once by the caller);
// when that cannot be read, a generic device with the same identity stands in.
std::unique_ptr<VirtualDevice> builtinDevice(const IoddFile &description, bool readable, const QString &serialNumber)
{
    IoddDevice::Options options;
    options.serialNumber = serialNumber;
    options.hardwareRevision = QStringLiteral("HW 02");
    options.firmwareRevision = QStringLiteral("V1.3.0");
    QString error;
    if (readable) {
        if (auto device = IoddDevice::fromDescription(description, &error, options))
            return device;
    }
    GenericDevice::Identity id;
    id.vendorId = 1484;
    id.deviceId = 101101;
    id.vendorName = QStringLiteral("Pellamar");
    id.productName = QStringLiteral("KTX-400A-M12");
    id.productId = QStringLiteral("KTX-400A-M12");
    id.serialNumber = serialNumber;
    return std::make_unique<GenericDevice>(id);
}

} // namespace

void applyDefaultSetup(VirtualAdapter &adapter)
{
    adapter.reset();
    using Mode = VirtualAdapter::Mode;
    GenericDevice::Identity port1;
    port1.productName = QStringLiteral("IOL-GEN-1 distance sensor");
    port1.serialNumber = QStringLiteral("GEN0001");
    adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>(port1));
    adapter.setPort(2, Mode::DigitalIn);
    adapter.setPort(4, Mode::DigitalOut);
    adapter.setPort(6, Mode::Deactivated);
    // The even ports' devices come from one read of the built-in description
    // in the shipped library.
    IoddFile description;
    const QString path = DataLocations::builtinDescriptionPath();
    const bool readable = description.load(path, DataLocations::standardDefinitionsDir()) == 0;
    if (!readable)
        qCWarning(lcSim) << "built-in description not readable, generic devices stand in:" << path;
    for (int p = 1; p < VirtualAdapter::portCount; p += 2)
        adapter.setPort(p, Mode::IoLinkOperate,
                        builtinDevice(description, readable, QStringLiteral("PK2401170017%1").arg(p + 1)));
}
