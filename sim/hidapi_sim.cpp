// The hidapi C API functions the tool calls, answered by the virtual adapter
// instead of a USB device. Linking this file in place of libhidapi is all it
// takes to run the tool on the virtual adapter.

#include <hidapi.h>

#include "virtualadapter.h"

#include <QCoreApplication>
#include <QThread>

#include <cstring>
#include <cwchar>
#include <string>

struct hid_device_
{
    struct Answer
    {
        qint64 arrivesAtMs; // on the adapter's clock
        QByteArray report;
    };

    std::wstring lastError;
    QList<Answer> inputQueue; // answers on their way to the host, in arrival order
    bool readFailsNext = false;
    bool disconnected = false; // once unplugged, this handle stays dead
};

namespace {
std::wstring globalError;
// What hidapi reports when the last call went well.
const wchar_t *const noError = L"Success";

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
    QMutexLocker lock(&adapter.mutex());
    if (vendor_id != VirtualAdapter::usbVendorId || product_id != VirtualAdapter::usbProductId) {
        globalError = L"hid_open: no device with this vendor and product id (virtual adapter is 2e3c:af01)";
        return nullptr;
    }
    if (adapter.faults().absent || adapter.faults().unplugged) {
        globalError = L"hid_open: virtual adapter 2e3c:af01 is not plugged in";
        return nullptr;
    }
    globalError.clear();
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
    VirtualAdapter &adapter = VirtualAdapter::instance();
    QMutexLocker lock(&adapter.mutex());
    if (disconnected(dev, L"hid_write: device disconnected"))
        return -1;
    VirtualAdapter::Faults &faults = adapter.faults();
    // Only part of the report left the host: the adapter sees nothing and will not answer.
    if (faults.shortWriteBytes >= 0 && size_t(faults.shortWriteBytes) < length)
        return faults.shortWriteBytes;
    // A report longer than 65 bytes is cut to the report size, as the device would.
    const QByteArray report(reinterpret_cast<const char *>(data), int(qMin<size_t>(length, 65)));
    const QByteArray answer = adapter.handleReport(report);
    if (!answer.isEmpty()) {
        const qint64 arrives = adapter.nowMs() + qMax(0, faults.lateAnswerMs);
        int at = dev->inputQueue.size();
        while (at > 0 && dev->inputQueue.at(at - 1).arrivesAtMs > arrives)
            --at;
        dev->inputQueue.insert(at, {arrives, answer});
    }
    dev->readFailsNext = faults.readErrorAfterWrite;
    if (faults.unplugAfterWrite) {
        faults.unplugAfterWrite = false;
        faults.unplugged = true;
    }
    dev->lastError.clear();
    return int(length);
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(hid_device *dev, unsigned char *data, size_t length, int milliseconds)
{
    if (!dev || !data)
        return -1;
    VirtualAdapter &adapter = VirtualAdapter::instance();
    QMutexLocker lock(&adapter.mutex());
    if (disconnected(dev, L"hid_read_timeout: device disconnected"))
        return -1;
    if (dev->readFailsNext) {
        dev->readFailsNext = false;
        dev->lastError = L"hid_read_timeout: read error";
        return -1;
    }
    dev->lastError.clear();
    // The first answer in the queue, if it arrives within the wait (-1: no
    // limit). The wait runs without the adapter's lock: a test or the window
    // may change the adapter meanwhile.
    const bool queued = !dev->inputQueue.isEmpty();
    const qint64 untilArrival = queued ? dev->inputQueue.first().arrivesAtMs - adapter.nowMs() : 0;
    if (!queued || (milliseconds >= 0 && untilArrival > milliseconds)) {
        lock.unlock();
        if (milliseconds > 0)
            QThread::msleep(static_cast<unsigned long>(milliseconds));
        return 0;
    }
    if (untilArrival > 0) {
        lock.unlock();
        QThread::msleep(static_cast<unsigned long>(untilArrival));
        lock.relock();
    }
    const QByteArray report = dev->inputQueue.takeFirst().report;
    const size_t n = qMin<size_t>(length, size_t(report.size()));
    std::memcpy(data, report.constData(), n);
    return int(n);
}

HID_API_EXPORT const wchar_t *HID_API_CALL hid_error(hid_device *dev)
{
    const std::wstring &error = dev ? dev->lastError : globalError;
    return error.empty() ? noError : error.c_str();
}

} // extern "C"

// The adapter's USB identity: the enumeration and the descriptor strings.

namespace {

const wchar_t *const usbManufacturer = L"Vanto Systems";
const wchar_t *const usbProduct = L"VANTO-HUB8 IO-Link Master";
const wchar_t *const usbSerialNumber = L"VH8-24-000417";
constexpr unsigned short usbReleaseNumber = 0x0100;
// Each process has its own virtual adapter, and so its own path.
std::string usbPath()
{
    return "virtual:2e3c:af01:" + std::to_string(QCoreApplication::applicationPid());
}

wchar_t *copyOf(const wchar_t *text)
{
    const size_t n = std::wcslen(text) + 1;
    auto *copy = new wchar_t[n];
    std::wmemcpy(copy, text, n);
    return copy;
}

// Copies a descriptor string into the caller's buffer, cut to maxlen
// characters with the terminating zero, as hidapi does.
int copyString(hid_device *dev, const wchar_t *text, wchar_t *string, size_t maxlen)
{
    if (!dev || !string || maxlen == 0)
        return -1;
    QMutexLocker lock(&VirtualAdapter::instance().mutex());
    if (disconnected(dev, L"hid_get_string: device disconnected"))
        return -1;
    std::wcsncpy(string, text, maxlen);
    string[maxlen - 1] = L'\0';
    return 0;
}

} // namespace

extern "C" {

// The virtual adapter while it is plugged in; a vendor or product id of 0 matches any.
struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_enumerate(unsigned short vendor_id, unsigned short product_id)
{
    VirtualAdapter &adapter = VirtualAdapter::instance();
    QMutexLocker lock(&adapter.mutex());
    if (adapter.faults().absent || adapter.faults().unplugged)
        return nullptr;
    if ((vendor_id != 0 && vendor_id != VirtualAdapter::usbVendorId)
        || (product_id != 0 && product_id != VirtualAdapter::usbProductId))
        return nullptr;
    auto *info = new hid_device_info{};
    const std::string path = usbPath();
    const size_t pathSize = path.size() + 1;
    info->path = new char[pathSize];
    std::memcpy(info->path, path.c_str(), pathSize);
    info->vendor_id = VirtualAdapter::usbVendorId;
    info->product_id = VirtualAdapter::usbProductId;
    info->serial_number = copyOf(usbSerialNumber);
    info->release_number = usbReleaseNumber;
    info->manufacturer_string = copyOf(usbManufacturer);
    info->product_string = copyOf(usbProduct);
    info->usage_page = 0xFF00; // vendor-defined
    info->usage = 0x01;
    info->interface_number = 0;
#if HID_API_VERSION >= HID_API_MAKE_VERSION(0, 13, 0)
    info->bus_type = HID_API_BUS_USB;
#endif
    return info;
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info *devs)
{
    while (devs) {
        hid_device_info *next = devs->next;
        delete[] devs->path;
        delete[] devs->serial_number;
        delete[] devs->manufacturer_string;
        delete[] devs->product_string;
        delete devs;
        devs = next;
    }
}

int HID_API_EXPORT_CALL hid_get_manufacturer_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return copyString(dev, usbManufacturer, string, maxlen);
}

int HID_API_EXPORT_CALL hid_get_product_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return copyString(dev, usbProduct, string, maxlen);
}

int HID_API_EXPORT_CALL hid_get_serial_number_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return copyString(dev, usbSerialNumber, string, maxlen);
}

} // extern "C"
