#ifndef PARAMETERPAGEDRIVER_H
#define PARAMETERPAGEDRIVER_H

// The parameter page on the fixture device of Port2 of the virtual adapter: the device, whose reads and
// writes of chosen indexes fail or answer other octets, the page in a shown host, its table, and the
// mailbox requests it sent.

#include "description/ioddfile.h"
#include "description/ioddheaderreader.h"
#include "devicepages/basicinfopage.h"
#include "iodddevice.h"
#include "params/parameterpage.h"
#include "simhelpers.h"

#include <QtTest>
#include <QtWidgets>

namespace ParameterPageDriver {

constexpr int port = 1;
const QString fixturePath = HUB8_SOURCE_DIR "/tests/params/fixtures/parameters.xml";

struct Device : VirtualDevice
{
    std::unique_ptr<IoddDevice> inner;
    QMap<quint16, quint16> readErrors, writeErrors;
    QMap<quint16, QByteArray> readInstead; // a read-only value that differs from one device to the next
    quint16 vendorId() const override { return inner->vendorId(); }
    quint32 deviceId() const override { return inner->deviceId(); }
    IsduAnswer readIsdu(quint16 index, quint8 sub) override
    {
        if (readErrors.contains(index))
            return IsduAnswer::fail(readErrors.value(index));
        return readInstead.contains(index) ? IsduAnswer::withData(readInstead.value(index))
                                           : inner->readIsdu(index, sub);
    }
    IsduAnswer writeIsdu(quint16 index, quint8 sub, const QByteArray &data) override
    {
        return writeErrors.contains(index) ? IsduAnswer::fail(writeErrors.value(index))
                                           : inner->writeIsdu(index, sub, data);
    }
};

// A reset adapter with the device on the only active port holding High 7, Low 5 and Level -12.3 (ff85,
// shown scaled by 0.1), a fresh link and an empty log; null when the device cannot be built.
inline Device *setUp()
{
    VirtualAdapter &adapter = SimHelpers::freshAdapter();
    auto device = std::make_unique<Device>();
    device->inner = IoddDevice::fromFile(fixturePath, QCoreApplication::applicationDirPath() + "/std", nullptr);
    Device *d = device.get();
    if (!d->inner || !SimHelpers::openHubLink() || !d->inner->writeIsdu(100, 0, QByteArray::fromHex("0705")).ok()
        || !d->inner->writeIsdu(102, 0, QByteArray::fromHex("ff85")).ok())
        return nullptr;
    adapter.setPort(port, VirtualAdapter::Mode::IoLinkOperate, std::move(device));
    LinkHub::instance()->setActivePorts({port});
    adapter.clearLog();
    return d;
}

// The page for `role`, built in `host` and shown; null when that fails.
inline ParameterPage *openPage(BasicInfoPage *host, const QString &role)
{
    auto description = std::make_shared<IoddFile>();
    if (description->load(fixturePath) != 0)
        return nullptr;
    ParameterPage *page =
        host->createParameterPage(role, port, description, IoddHeaderReader(fixturePath).readDeviceInfo());
    host->show();
    return QTest::qWaitForWindowExposed(host) ? page : nullptr;
}

inline QTableWidget *table(const ParameterPage *page)
{
    return page->findChild<QTableWidget *>(QStringLiteral("table_param"));
}
// The first row of that label, shown alone or after its menu path; -1 without one.
inline int rowOf(const ParameterPage *page, const QString &label)
{
    const QTableWidget *t = table(page);
    for (int row = 0; row < t->rowCount(); ++row)
        if (t->item(row, 0)->text() == label || t->item(row, 0)->text().endsWith(" › " + label))
            return row;
    return -1;
}
inline QString valueText(const ParameterPage *page, const QString &label)
{
    const int row = rowOf(page, label);
    return row < 0 ? "<no row " + label + ">" : table(page)->item(row, 2)->text();
}

// The ISDU request blocks written to the mailbox, in order, as "r <index>/<subindex> <length>" or
// "w <index>/<subindex> <data in hex>", those for another port led by "port <n>: ".
inline QStringList mailboxRequests()
{
    QStringList out;
    for (const VirtualAdapter::Exchange &x : VirtualAdapter::instance().log()) {
        const QByteArray &r = x.request, b = r.mid(8, 40); // after the write head of register 0x3500
        if (r.size() < 48 || r.mid(2, 3) != QByteArray::fromHex("103500"))
            continue;
        const int index = (quint8(b[3]) << 8) | quint8(b[4]), length = quint8(b[6]);
        out << QString("%1%2 %3/%4 %5")
                   .arg(quint8(b[1]) == port + 1 ? QString() : QString("port %1: ").arg(quint8(b[1])))
                   .arg(b[0] == 0x03 ? 'r' : 'w')
                   .arg(index)
                   .arg(quint8(b[5]))
                   .arg(b[0] == 0x03 ? QString::number(length) : QString::fromLatin1(b.mid(7, length).toHex()));
    }
    return out;
}

} // namespace ParameterPageDriver

#endif // PARAMETERPAGEDRIVER_H
