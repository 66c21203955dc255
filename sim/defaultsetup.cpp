#include "defaultsetup.h"

#include "genericdevice.h"
#include "virtualadapter.h"

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
    for (int p = 1; p < VirtualAdapter::portCount; p += 2) {
        GenericDevice::Identity id;
        id.vendorId = 1484;
        id.deviceId = 101101;
        id.vendorName = QStringLiteral("Pellamar");
        id.productName = QStringLiteral("KTX-400A-M12");
        id.serialNumber = QStringLiteral("KTX%1").arg(1000 + p);
        adapter.setPort(p, Mode::IoLinkOperate, std::make_unique<GenericDevice>(id));
    }
}
