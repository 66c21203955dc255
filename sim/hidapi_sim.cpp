// The hidapi C API functions the tool calls, answered by the virtual adapter
// instead of a USB device. Linking this file in place of libhidapi is all it
// takes to run the tool on the virtual adapter.

#include <hidapi.h>

#include "virtualadapter.h"

#include <QThread>

#include <cstring>
#include <string>

struct hid_device_
{
    std::wstring lastError;
    QByteArray pendingAnswer;
    bool hasAnswer = false;
    bool disconnected = false;   // once unplugged, this handle stays dead
};

namespace {
std::wstring g_globalError;

// Once the adapter is unplugged its open handles stay dead, as a real USB
// device's would; true with `error` as the handle's last error then.
bool disconnected(hid_device *dev, const wchar_t *error)
{
    if (VirtualAdapter::instance().faults().unplugged)
        dev->disconnected = true;
    if (dev->disconnected)
        dev->lastError = error;
    return dev->disconnected;
}
} // namespace

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void)
{
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_exit(void)
{
    return 0;
}

HID_API_EXPORT hid_device *HID_API_CALL hid_open(unsigned short vendor_id, unsigned short product_id,
                                                 const wchar_t *serial_number)
{
    (void)serial_number;
    VirtualAdapter &adapter = VirtualAdapter::instance();
    if (vendor_id != VirtualAdapter::usbVendorId || product_id != VirtualAdapter::usbProductId) {
        g_globalError = L"hid_open: no device with this vendor and product id (virtual adapter is 2e3c:af01)";
        return nullptr;
    }
    if (adapter.faults().absent || adapter.faults().unplugged) {
        g_globalError = L"hid_open: virtual adapter 2e3c:af01 is not plugged in";
        return nullptr;
    }
    g_globalError.clear();
    return new hid_device_;
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device *dev)
{
    delete dev;
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    if (!dev || !data)
        return -1;
    if (disconnected(dev, L"hid_write: device disconnected"))
        return -1;
    const int taken = VirtualAdapter::instance().faults().shortWriteBytes;
    if (taken >= 0 && size_t(taken) < length) {
        // Only part of the report left the host: the adapter sees nothing and will not answer.
        dev->pendingAnswer.clear();
        dev->hasAnswer = false;
        return taken;
    }
    // A report longer than 65 bytes is cut to the report size, as the device would.
    const QByteArray report(reinterpret_cast<const char *>(data), int(qMin<size_t>(length, 65)));
    dev->pendingAnswer = VirtualAdapter::instance().handleReport(report);
    dev->hasAnswer = !dev->pendingAnswer.isEmpty();
    return int(length);
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(hid_device *dev, unsigned char *data, size_t length,
                                                 int milliseconds)
{
    if (!dev || !data)
        return -1;
    if (disconnected(dev, L"hid_read_timeout: device disconnected"))
        return -1;
    if (!dev->hasAnswer) {
        if (milliseconds > 0)
            QThread::msleep(static_cast<unsigned long>(milliseconds));
        return 0;
    }
    const size_t n = qMin<size_t>(length, size_t(dev->pendingAnswer.size()));
    std::memcpy(data, dev->pendingAnswer.constData(), n);
    dev->hasAnswer = false;
    dev->pendingAnswer.clear();
    return int(n);
}

HID_API_EXPORT const wchar_t *HID_API_CALL hid_error(hid_device *dev)
{
    if (!dev)
        return g_globalError.empty() ? nullptr : g_globalError.c_str();
    return dev->lastError.empty() ? nullptr : dev->lastError.c_str();
}

} // extern "C"
