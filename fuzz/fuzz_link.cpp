// The link's handling of adapter answers: a stand-in for hidapi answers every
// report the link writes with bytes from the input (and fails, times out or
// writes short where the input says so). The link's read and write commands
// run in the order the input picks, and what they return is decoded the way
// the pages decode it: ISDU response blocks and parameter values.

#include "fuzzinput.h"

#include "codec/valuecodec.h"
#include "description/builtindescription.h"
#include "description/ioddfile.h"
#include "link/modbuslink.h"
#include "protocol/adapterregisters.h"
#include "protocol/isdublock.h"

#include <hidapi.h>

#include <QLoggingCategory>

#include <algorithm>
#include <cstdint>
#include <cstring>

struct hid_device_
{
    int unused = 0;
};

namespace {

FuzzInput *fuzzInput = nullptr;
hid_device fuzzDevice;
QList<ValueItem> fuzzEntries;

void collectEntries(const QList<TreeItem> &menus)
{
    for (const TreeItem &menu : menus) {
        fuzzEntries += menu.values;
        collectEntries(menu.children);
    }
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

HID_API_EXPORT hid_device *HID_API_CALL hid_open(unsigned short, unsigned short, const wchar_t *)
{
    return &fuzzDevice;
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device *) {}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device *, const unsigned char *, size_t length)
{
    switch (fuzzInput->byte() % 8) {
    case 0:
        return -1;
    case 1:
        return int(length) - 1 - fuzzInput->byte() % 8; // a short write
    default:
        return int(length);
    }
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(hid_device *, unsigned char *data, size_t length, int)
{
    switch (fuzzInput->byte() % 8) {
    case 0:
        return -1;
    case 1:
        return 0; // timed out
    default: {
        const QByteArray answer = fuzzInput->bytes(int(length));
        std::memset(data, 0, length);
        std::memcpy(data, answer.constData(), size_t(answer.size()));
        return int(length);
    }
    }
}

HID_API_EXPORT const wchar_t *HID_API_CALL hid_error(hid_device *)
{
    return nullptr;
}

} // extern "C"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("hub8.*=false"));
    IoddFile description;
    description.load(BuiltinDescription::pathIn(QStringLiteral(HUB8_SOURCE_DIR "/data")),
                     QStringLiteral(HUB8_SOURCE_DIR "/data/std"));
    collectEntries(description.roleMenus(QStringLiteral("SpecialistRoleMenuSet")));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    fuzzInput = &in;
    ModbusLink link;
    link.openDevice();
    for (int step = 0; step < 16 && !in.empty(); ++step) {
        const quint16 address = quint16(in.number(2));
        const int n = in.byte() % 130;
        QByteArray out;
        switch (in.byte() % 4) {
        case 0:
            link.readRegisters(address, n, out);
            break;
        case 1:
            link.writeRegisters(address, in.bytes(2 * n), n);
            break;
        case 2: {
            IsduRequestBlock block =
                IsduRequestBlock::make(in.byte(), in.byte(), quint16(in.number(2)), in.byte(), in.byte());
            link.writeIsduRequest(block);
            break;
        }
        default:
            // One mailbox answer decoded into the built-in device's values.
            if (link.readRegisters(AdapterRegisters::isduResponse, AdapterRegisters::isduBlockRegisters, out) == 0
                && !fuzzEntries.isEmpty()) {
                const IsduResponseBlock response(out);
                isduStatusText(response.status());
                ValueItem entry = fuzzEntries.at(in.byte() % fuzzEntries.size());
                ValueItem single = entry;
                ValueCodec::decodeRecord(entry, response.dataRightAligned());
                ValueCodec::decodeSingleItem(single, response.data());
            }
            break;
        }
    }
    link.closeDevice();
    fuzzInput = nullptr;
    return 0;
}
