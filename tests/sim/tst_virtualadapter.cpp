// The virtual adapter's request handler on raw frames: no transport, no link.

#include "genericdevice.h"
#include "protocol/modbusframe.h"
#include "testhelpers.h"
#include "virtualadapter.h"

#include <hidapi.h>

#include <QtTest>

namespace {
using testhelpers::hex;
QByteArray withCrc(QByteArray frame)
{
    modbusframe::appendCrc(frame);
    return frame;
}
// The payload of a report: the frame followed by zero fill.
QByteArray payload(const QByteArray &frame)
{
    return frame + QByteArray(64 - frame.size(), '\0');
}
QByteArray readFrame(quint16 address, quint16 count)
{
    return payload(modbusframe::readRequest(address, count));
}
QByteArray writeFrame(quint16 address, const QByteArray &values)
{
    return payload(modbusframe::writeRequest(address, values.size() / 2, values));
}
} // namespace

struct DeviceErrorCase
{
    quint8 service;
    quint16 index;
    quint8 sub;
    QByteArray data, code;
};
Q_DECLARE_METATYPE(DeviceErrorCase)

class tst_virtualadapter : public QObject
{
    Q_OBJECT
    VirtualAdapter &adapter = VirtualAdapter::instance();

    // Writes an ISDU request block to the mailbox and reads the response block back.
    QByteArray isdu(quint8 service, quint8 port, quint16 index, quint8 sub, const QByteArray &data = {})
    {
        const char head[] = {char(service), char(port),       0, char(index >> 8), char(index & 0xFF),
                             char(sub),     char(data.size())};
        adapter.handleFrame(writeFrame(0x3500, QByteArray(head, 7) + data + QByteArray(33 - data.size(), '\0')));
        return adapter.handleFrame(readFrame(0x3600, 20)).mid(3, 40);
    }

private slots:
    void init()
    {
        adapter.reset();
        adapter.faults().isduLatencyMs = 0;
        adapter.setPort(0, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>());
    }

    // An empty answer means the adapter stays silent.
    void answers_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("answer");
        QByteArray badCrc = modbusframe::readRequest(0x9000, 1);
        badCrc[6] = char(badCrc.at(6) ^ 0xFF);
        QTest::newRow("bad crc") << payload(badCrc) << QByteArray();
        QTest::newRow("slave 2") << payload(withCrc(hex("02 03 90 00 00 01"))) << QByteArray();
        QTest::newRow("broadcast") << payload(withCrc(hex("00 03 90 00 00 01"))) << QByteArray();
        QTest::newRow("all zero") << QByteArray(64, '\0') << QByteArray();
        QTest::newRow("write framing cut short") << payload(withCrc(hex("01 10 80 00 00 01 40 00 01"))) << QByteArray();
        QTest::newRow("function 06") << payload(withCrc(hex("01 06 80 00 00 01"))) << withCrc(hex("01 86 01"));
        QTest::newRow("read outside map") << readFrame(0x1000, 1) << withCrc(hex("01 83 02"));
        QTest::newRow("read across window end") << readFrame(0x901F, 2) << withCrc(hex("01 83 02"));
        QTest::newRow("read zero registers") << readFrame(0x9000, 0) << withCrc(hex("01 83 03"));
        QTest::newRow("read 30 registers") << readFrame(0x9000, 30) << withCrc(hex("01 83 03"));
        QTest::newRow("write to input window") << writeFrame(0x9000, hex("00 01")) << withCrc(hex("01 90 02"));
        QTest::newRow("write to port status") << writeFrame(0x3000, hex("00 01")) << withCrc(hex("01 90 02"));
        QTest::newRow("write count/byte count mismatch")
            << payload(withCrc(hex("01 10 80 00 00 02 02 00 01"))) << withCrc(hex("01 90 03"));
        QTest::newRow("write one register") << writeFrame(0x8000, hex("12 34")) << withCrc(hex("01 10 80 00 00 01"));
    }
    void answers()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, answer);
        QCOMPARE(adapter.handleFrame(frame), answer);
    }

    // Late answers through the hidapi functions: queued until they arrive, read in arrival order.
    void lateAnswersQueue()
    {
        const auto report = [](quint16 address, quint16 count) {
            return QByteArray(1, '\0') + readFrame(address, count);
        };
        const auto write = [](hid_device *dev, const QByteArray &r) {
            return hid_write(dev, reinterpret_cast<const uchar *>(r.constData()), size_t(r.size()));
        };
        unsigned char in[65];
        hid_device *dev = hid_open(VirtualAdapter::usbVendorId, VirtualAdapter::usbProductId, nullptr);
        QVERIFY(dev);
        QCOMPARE(QString::fromWCharArray(hid_error(dev)), QStringLiteral("Success")); // as hidapi says it

        // A late answer waits in the input queue until it has arrived.
        adapter.faults().lateAnswerMs = 200;
        QCOMPARE(write(dev, report(0x9000, 1)), 65);
        QCOMPARE(hid_read_timeout(dev, in, 65, 0), 0);
        QCOMPARE(hid_read_timeout(dev, in, 65, 50), 0);
        adapter.faults().lateAnswerMs = 0;
        QCOMPARE(write(dev, report(0x8000, 2)), 65); // answered at once: read first
        QCOMPARE(hid_read_timeout(dev, in, 65, 0), 64);
        QCOMPARE(int(in[2]), 4);
        QCOMPARE(hid_read_timeout(dev, in, 65, 1000), 64); // comes within this wait
        QCOMPARE(int(in[2]), 2);
        QCOMPARE(hid_read_timeout(dev, in, 65, 0), 0);
        hid_close(dev);
    }

    void pdWindows()
    {
        adapter.setPort(2, VirtualAdapter::Mode::DigitalIn);
        adapter.setPort(3, VirtualAdapter::Mode::DigitalOut);
        // Output window keeps what was written and can be read back; register 2 = octets 4..5.
        QVERIFY(!adapter.handleFrame(writeFrame(0x8002, hex("ab cd"))).isEmpty());
        QCOMPARE(adapter.port(0).pdOut.mid(4, 2), hex("ab cd"));
        QCOMPARE(adapter.handleFrame(readFrame(0x8002, 1)).mid(3, 2), hex("ab cd"));
        // DO port takes bit 0 of its first register; DI port shows its input in bit 0.
        adapter.handleFrame(writeFrame(0x8060, hex("00 01")));
        QVERIFY(adapter.port(3).digitalOut);
        adapter.handleFrame(writeFrame(0x8060, hex("00 02")));
        QVERIFY(!adapter.port(3).digitalOut);
        const QByteArray di = adapter.handleFrame(readFrame(0x9040, 1));
        QCOMPARE(di.mid(3, 2), adapter.digitalIn(2) ? hex("00 01") : hex("00 00"));
        QCOMPARE(adapter.handleFrame(readFrame(0x90E0, 4)).mid(3, 8), QByteArray(8, '\0')); // empty port
    }

    void portStatusBlock()
    {
        GenericDevice::Identity id;
        id.vendorId = 1484;
        id.deviceId = 101101; // 0x018AED
        adapter.setPort(5, VirtualAdapter::Mode::CommunicationLost, std::make_unique<GenericDevice>(id));
        adapter.setPort(6, VirtualAdapter::Mode::DigitalOut);
        const QByteArray a = adapter.handleFrame(readFrame(0x3000, 24));
        QCOMPARE(a.at(2), char(48));
        const QByteArray regs = a.mid(3, 48);
        QCOMPARE(regs.mid(0, 6), hex("04 00 03 78 01 01"));  // operate, vendor 888, device 0x000101
        QCOMPARE(regs.mid(6, 6), hex("00 00 00 00 00 00"));  // deactivated
        QCOMPARE(regs.mid(30, 6), hex("05 01 05 cc 8a ed")); // communication lost keeps the identity
        QCOMPARE(regs.mid(36, 6), hex("02 00 00 00 00 00")); // DO
        // The device's direct parameter page carries the same identity in octets 7..11.
        QCOMPARE(adapter.port(5).device->readIsdu(0, 0).data, hex("00 1e 1e 0b 11 10 00 05 cc 01 8a ed 00 00 00 00"));
    }

    void mailboxStatuses()
    {
        GenericDevice::Identity other;
        other.vendorName = QStringLiteral("Other vendor");
        adapter.setPort(7, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>(other));
        QByteArray r = isdu(3, 8, 16, 0);
        QCOMPARE(r.left(3), hex("03 08 00"));
        QCOMPARE(r.mid(6, 1 + 12), QByteArray("\x0cOther vendor"));
        QCOMPARE(isdu(3, 1, 16, 0).mid(6, 14), QByteArray("\x0dVanto Systems"));
        // A port that is starting up does not answer yet.
        adapter.setPort(7, VirtualAdapter::Mode::IoLinkStarting, std::make_unique<GenericDevice>(other));
        QCOMPARE(int(quint8(isdu(3, 8, 16, 0).at(2))), 0x06);
        QCOMPARE(adapter.isduRequestCount(), 3);
        // Clear data empties the response; no operation answers OK.
        QCOMPARE(isdu(1, 1, 0, 0).mid(2), QByteArray(38, '\0'));
        QCOMPARE(int(quint8(isdu(0, 1, 0, 0).at(2))), 0);
    }

    void genericDeviceErrors_data()
    {
        QTest::addColumn<DeviceErrorCase>("c");
        QTest::newRow("index not available") << DeviceErrorCase{3, 500, 0, {}, hex("80 11")};
        QTest::newRow("subindex not available") << DeviceErrorCase{3, 16, 2, {}, hex("80 12")};
        QTest::newRow("write read-only") << DeviceErrorCase{2, 18, 0, "x", hex("80 23")};
        QTest::newRow("tag too long") << DeviceErrorCase{2, 24, 0, QByteArray(33, 'a'), hex("80 33")};
        QTest::newRow("unknown system command") << DeviceErrorCase{2, 2, 0, hex("7f"), hex("80 30")};
    }
    void genericDeviceErrors()
    {
        QFETCH(DeviceErrorCase, c);
        const QByteArray r = isdu(c.service, 1, c.index, c.sub, c.data);
        QCOMPARE(int(quint8(r.at(2))), 0xFF);
        QCOMPARE(r.mid(3, 2), c.code);
    }
};

QTEST_APPLESS_MAIN(tst_virtualadapter)
#include "tst_virtualadapter.moc"
