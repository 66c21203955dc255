#include "adapterinfo.h"

#include <hidapi.h>

namespace {

// A descriptor string through one of the hid_get_*_string functions; empty
// when the device does not answer it.
QString descriptorString(hid_device *dev, int (*get)(hid_device *, wchar_t *, size_t))
{
    wchar_t text[256] = {};
    if (get(dev, text, sizeof text / sizeof text[0]) != 0)
        return QString();
    return QString::fromWCharArray(text);
}

QString fromWide(const wchar_t *text)
{
    return text ? QString::fromWCharArray(text) : QString();
}

} // namespace

QString AdapterUsbInfo::releaseText() const
{
    return QStringLiteral("%1.%2").arg(releaseNumber >> 8, 0, 16).arg(releaseNumber & 0xFF, 2, 16, QLatin1Char('0'));
}

AdapterUsbInfo readAdapterUsbInfo()
{
    AdapterUsbInfo info;
    hid_device_info *devices = hid_enumerate(adapterUsbVendorId, adapterUsbProductId);
    if (!devices)
        return info;
    info.found = true;
    info.path = QString::fromLocal8Bit(devices->path);
    info.releaseNumber = devices->release_number;
    info.manufacturer = fromWide(devices->manufacturer_string);
    info.product = fromWide(devices->product_string);
    info.serialNumber = fromWide(devices->serial_number);
    const std::wstring serial = info.serialNumber.toStdWString();
    hid_free_enumeration(devices);

    hid_device *dev = hid_open(adapterUsbVendorId, adapterUsbProductId, serial.empty() ? nullptr : serial.c_str());
    if (!dev)
        return info;
    const QString manufacturer = descriptorString(dev, hid_get_manufacturer_string);
    const QString product = descriptorString(dev, hid_get_product_string);
    const QString serialNumber = descriptorString(dev, hid_get_serial_number_string);
    hid_close(dev);
    if (!manufacturer.isEmpty())
        info.manufacturer = manufacturer;
    if (!product.isEmpty())
        info.product = product;
    if (!serialNumber.isEmpty())
        info.serialNumber = serialNumber;
    return info;
}
