// The virtual device built from an IODD: ISDU answers on raw request blocks
// through the adapter, the octets of its variables, and its process data.

#include "defaultsetup.h"
#include "description/builtindescription.h"
#include "iodddevice.h"
#include "iodddevicevalues.h"
#include "scenario.h"
#include "simhelpers.h"
#include "testhelpers.h"

#include <QtTest>

namespace {
using testhelpers::hex;
const QString fixture = QStringLiteral(HUB8_SOURCE_DIR "/tests/sim/fixtures/iodd-device.xml");
QString stdDir()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/std");
}
std::unique_ptr<IoddDevice> load(const QString &path, const QString &serial = QString())
{
    IoddDevice::Options options;
    options.serialNumber = serial;
    return IoddDevice::fromFile(path, stdDir(), nullptr, options);
}
// A response block's status: 0 on success, else error flag and code (0xff80xx); -1 without an answer.
int status(const QByteArray &r)
{
    return r.size() != 40 ? -1 : r.at(2) ? quint8(r.at(2)) << 16 | quint8(r.at(3)) << 8 | quint8(r.at(4)) : 0;
}
// One mailbox exchange, "r|w index/subindex [data in hex]"; the 40-octet response block.
QByteArray isdu(const QString &request, int port = 1)
{
    const QStringList p = request.split(' ');
    return simhelpers::isdu(p.at(0) == "w" ? 2 : 3, quint8(port), quint16(p.at(1).section('/', 0, 0).toInt()),
                            quint8(p.at(1).section('/', 1).toInt()), hex(qPrintable(p.mid(2).join(QString()))));
}
} // namespace

class tst_iodddevice : public QObject
{
    Q_OBJECT
    VirtualAdapter &adapter = VirtualAdapter::instance();

    QByteArray read(quint16 index, quint8 sub = 0, int port = 0)
    {
        return adapter.port(port).device->readIsdu(index, sub).data;
    }
    bool write(quint16 index, quint8 sub, const QByteArray &data)
    {
        return adapter.port(0).device->writeIsdu(index, sub, data).ok();
    }
    // The whole index after a write, or "refused".
    QByteArray writeRead(quint16 index, quint8 sub, const QByteArray &data)
    {
        return write(index, sub, data) ? read(index) : "refused";
    }

private slots:
    void init()
    {
        simhelpers::freshAdapter();
        auto device = load(fixture, QStringLiteral("FX0007"));
        QVERIFY(device);
        adapter.setPort(0, VirtualAdapter::Mode::IoLinkOperate, std::move(device));
    }

    // Requests that each draw one error answer, with no data octets and nothing stored.
    void errorAnswers_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("requests");
        // Unknown index, a standard index the description does not list.
        QTest::newRow("index not available") << 0x8011 << "r 999/0; r 17/0";
        // Subindex of a simple value, a missing record item, items without subindex access, beyond an array.
        QTest::newRow("subindex not available") << 0x8012 << "r 103/1; r 100/9; w 101/2 00 01; r 102/4";
        // Writes to ro, a ro record item, the direct parameters; reads of wo and of the system command.
        QTest::newRow("access denied") << 0x8023 << "w 107/0 00 00; w 100/4 01; w 0/2 01; r 105/0; r 2/0";
        // Below a range, a record with an item out of range, an array element, boolean 2, float NaN, a 4-bit item
        // wider than 4 bits, a command not in the standard.
        QTest::newRow("value out of range") << 0x8030
                                            << "w 103/0 00 05; w 101/0 00 ff 9b; w 102/2 00; w 108/0 02; "
                                               "w 106/0 7f c0 00 00; w 100/1 12; w 2/0 07";
        // A number, a string beyond its fixed length, a record item, a command.
        QTest::newRow("length overrun") << 0x8033
                                        << "w 103/0 00 00 32; w 104/0 31 32 33 34 35 36 37 38 39; w 100/2 00 01; "
                                           "w 2/0 82 00";
        QTest::newRow("length underrun") << 0x8034 << "w 103/0 32; w 100/0 5f";
        QTest::newRow("function not available") << 0x8035 << "w 2/0 83; w 2/0 a1";
    }
    void errorAnswers()
    {
        QFETCH(int, code);
        QFETCH(QString, requests);
        for (const QString &request : requests.split("; ")) {
            const quint16 index = quint16(request.section(' ', 1, 1).section('/', 0, 0).toInt());
            const QByteArray before = read(index), r = isdu(request);
            QVERIFY2(status(r) == (0xFF0000 | code) && r.at(6) == 0 && read(index) == before, qPrintable(request));
        }
    }

    void recordsArraysAndSimpleValues()
    {
        // Defaults from RecordItemInfo: 5 at bit 12, -3 across the octets at bit 4, ro 2 at bit 1, flag at 0.
        QCOMPARE(isdu("r 100/0").mid(2, 1) + isdu("r 100/0").mid(6, 3), hex("00 02 5f d5"));
        QCOMPARE(read(100, 1) + read(100, 2) + read(100, 3) + read(100, 4), hex("05 fd 01 02"));
        QVERIFY(status(isdu("w 100/2 7f")) == 0 && read(100) == hex("57 f5"));
        QCOMPARE(writeRead(100, 0, hex("90 0b")), hex("90 05")); // the read-only item stays 2
        // -2 and a flag without info that defaults to false; array elements start at the range's lower value.
        QCOMPARE(read(101) + read(102), hex("00 ff fe 01 01 01"));
        QCOMPARE(writeRead(102, 2, hex("07")), hex("01 07 01"));
        QCOMPARE(read(103) + read(104) + read(106) + read(107), hex("00 32") + "abc" + hex("3f 00 00 00 12 34"));
        QVERIFY(write(103, 0, hex("03 e8"))); // a single value outside the range
        QCOMPARE(writeRead(104, 0, QByteArray("PT-02\0\0\0", 8)), QByteArray("PT-02")); // used octets only
        QVERIFY(write(106, 0, hex("bf c0 00 00")) && write(105, 0, hex("80"))); // -1.5, the lower limit; write-only

        // Restore factory settings; the description's own command is only acknowledged.
        QVERIFY(write(100, 1, hex("09")) && write(104, 0, "xyz") && write(24, 0, "tank 3") && write(2, 0, hex("a0")));
        QCOMPARE(read(103), hex("03 e8"));
        QCOMPARE(status(isdu("w 2/0 82")), 0);
        QCOMPARE(read(100) + read(103) + read(104) + read(24), hex("5f d5 00 32") + "abc***");
    }

    void identification()
    {
        VirtualDevice &d = *adapter.port(0).device;
        QCOMPARE(QString("%1/%2").arg(d.vendorId()).arg(d.deviceId()), "42/4242");
        // Vendor name from DeviceIdentity, product name from its defaultValue, serial number from the options.
        QCOMPARE(QByteArrayList({read(16), read(18), read(20), read(21), read(36)}),
                 QByteArrayList(
                     {"Fixture Works", "FX-1 test device", "Test device with every datatype", "FX0007", hex("00")}));
        // Cycle time 2.3 ms, M-sequence 3, revision 1.1, PD in 3 octets, PD out 8 bits.
        QCOMPARE(isdu("r 0/0").mid(6, 17), hex("10 00 17 17 03 11 82 08 00 2a 00 10 92 00 00 00 00"));
        QVERIFY(read(0, 9) == hex("2a") && d.readIsdu(0, 17).error == isduerror::subindexNotAvailable);
        QCOMPARE(load(fixture)->readIsdu(21, 0).data, QByteArray("SN00004242"));
        // Process data in 3 octets, each number at power-up in the middle of its range: 0 at bit 8, 25 at bit 2,
        // flag 0 on.
        QCOMPARE(d.processDataIn(0), hex("00 00 65"));
    }

    // Limits at the ends of 64-bit numbers, where signed and unsigned readings part ways.
    void valueChecks()
    {
        using Scalar = IoddDevice::Scalar;
        const auto scalar = [](Scalar::Kind kind, int bits) {
            Scalar s;
            s.kind = kind, s.bits = bits;
            return s;
        };
        const auto checks = [](const Scalar &s, const QByteArrayList &values) {
            QList<int> codes;
            for (const QByteArray &v : values)
                codes << iodddev::checkValue(s, v);
            return codes;
        };
        Scalar u = scalar(Scalar::UInteger, 64), s = scalar(Scalar::Integer, 64), f = scalar(Scalar::Float, 32);
        iodddev::addRange(u, "9223372036854775808", "18446744073709551615");
        iodddev::addRange(s, "-5", "5");
        iodddev::addSingle(s, "-9223372036854775808");
        iodddev::addSingle(s, "five"); // no number: passed over
        QCOMPARE(s.singles.size(), 1);
        const QByteArray top = hex("ff ff ff ff ff ff ff ff"), half = hex("80 00 00 00 00 00 00 00");
        QCOMPARE(checks(u, {top, half, hex("7f ff ff ff ff ff ff ff")}), QList<int>({0, 0, 0x8030}));
        QCOMPARE(checks(s, {top, half, hex("00 00 00 00 00 00 00 06")}), QList<int>({0, 0, 0x8030}));
        iodddev::addSingle(f, "1.5");
        QCOMPARE(checks(f, {hex("3f c0 00 00"), hex("7f c0 00 00")}), QList<int>({0, 0x8030}));
        QCOMPARE(iodddev::checkWrite(f, hex("ff 3f c0 00 00")), isduerror::lengthOverrun); // length before value
    }

    void builtinDevices()
    {
        applyDefaultSetup(adapter);
        adapter.faults().isduLatencyMs = 0;
        QVERIFY(dynamic_cast<IoddDevice *>(adapter.port(1).device.get())
                && !dynamic_cast<IoddDevice *>(adapter.port(0).device.get()));
        QCOMPARE(read(16, 0, 3) + read(21, 0, 3) + read(21, 0, 1), QByteArray("PellamarPK24011700174PK24011700172"));
        // Switch point 400.1 bar is above its range; 400.0 bar is taken.
        QVERIFY(status(isdu("w 64/1 0f a1", 4)) == 0xFF8030 && status(isdu("w 64/1 0f a0", 4)) == 0);
        QCOMPARE(isdu("r 64/0", 4).mid(6, 7), hex("06 0f a0 0b b8 00 00"));
        // No subindex access; reset min/max memory and back-to-box offered, which restores the defaults.
        QVERIFY(status(isdu("w 73/2 00 00", 4)) == 0xFF8012 && status(isdu("w 2/0 a1", 4)) == 0
                && status(isdu("w 2/0 83", 4)) == 0);
        QCOMPARE(read(64, 0, 3), hex("0c 80 0b b8 00 00"));
    }

    void scenarioAndUnreadableFiles()
    {
        QString error;
        const QByteArray json = "{\"ports\": {\"Port3\": {\"mode\": \"iolink\", \"device\": {\"type\": \"iodd\", "
                                "\"serialNumber\": \"S-3\", \"file\": \""
            + QByteArray(builtinDescription::relativePath) + "\"}}}}";
        QVERIFY2(applyScenarioJson(json, adapter, &error), qPrintable(error));
        QCOMPARE(adapter.port(2).device->vendorId(), quint16(1484));
        QCOMPARE(read(21, 0, 2), QByteArray("S-3"));
        // Broken, absent and non-device files make no device and say why.
        for (const QString &path : {QStringLiteral(HUB8_SOURCE_DIR "/tests/description/fixtures/malformed_bad.xml"),
                                    fixture + ".absent", stdDir() + "/std1.1/IODD-StandardDefinitions1.1.xml"})
            QVERIFY2(!IoddDevice::fromFile(path, stdDir(), &(error = QString())) && !error.isEmpty(), qPrintable(path));
    }
};

QTEST_GUILESS_MAIN(tst_iodddevice)
#include "tst_iodddevice.moc"
