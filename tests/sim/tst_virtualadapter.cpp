// The virtual adapter's request handler on raw frames (no transport, no link), and the scenario files that set
// up its ports; bad files change nothing.

#include "defaultsetup.h"
#include "genericdevice.h"
#include "scenario.h"
#include "simhelpers.h"
#include "testhelpers.h"

#include <QtTest>

using testhelpers::hex;
using Mode = VirtualAdapter::Mode;

namespace {
QByteArray withCrc(QByteArray frame)
{
    modbusframe::appendCrc(frame);
    return frame;
}
QByteArray readFrame(quint16 address, quint16 count)
{
    return modbusframe::readRequest(address, count);
}
QByteArray writeFrame(quint16 address, const QByteArray &values)
{
    return modbusframe::writeRequest(address, values.size() / 2, values);
}
} // namespace

class tst_virtualadapter : public QObject
{
    Q_OBJECT
    VirtualAdapter &adapter = VirtualAdapter::instance();

private slots:
    void init()
    {
        simhelpers::freshAdapter();
        adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
    }

    // An empty answer means the adapter stays silent.
    void answers_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("answer");
        QByteArray badCrc = readFrame(0x9000, 1);
        badCrc[6] = char(badCrc.at(6) ^ 0xFF);
        QTest::newRow("bad crc") << badCrc << QByteArray();
        QTest::newRow("slave 2") << withCrc(hex("02 03 90 00 00 01")) << QByteArray();
        QTest::newRow("function 06") << withCrc(hex("01 06 80 00 00 01")) << withCrc(hex("01 86 01"));
        QTest::newRow("read outside map") << readFrame(0x1000, 1) << withCrc(hex("01 83 02"));
        QTest::newRow("read across window end") << readFrame(0x901F, 2) << withCrc(hex("01 83 02"));
        QTest::newRow("read 30 registers") << readFrame(0x9000, 30) << withCrc(hex("01 83 03"));
        QTest::newRow("write to input window") << writeFrame(0x9000, hex("00 01")) << withCrc(hex("01 90 02"));
        QTest::newRow("write count/byte count mismatch")
            << withCrc(hex("01 10 80 00 00 02 02 00 01")) << withCrc(hex("01 90 03"));
        QTest::newRow("write one register") << writeFrame(0x8000, hex("12 34")) << withCrc(hex("01 10 80 00 00 01"));
    }
    void answers()
    {
        QFETCH(QByteArray, frame);
        QTEST(adapter.handleFrame(frame), "answer");
    }

    void portStatusBlock()
    {
        adapter.setPort(2, Mode::DigitalIn);
        adapter.setPort(5, Mode::CommunicationLost,
                        std::make_unique<GenericDevice>(GenericDevice::Identity{1484, 101101}));
        const QByteArray regs = adapter.handleFrame(readFrame(0x3000, 24)).mid(2, 49);
        QCOMPARE(regs.at(0), char(48));
        QCOMPARE(regs.mid(1, 12), hex("04 00 03 78 01 01  00 00 00 00 00 00")); // operate 888/0x000101, off
        QCOMPARE(regs.mid(13, 6), hex("01 00 00 00 00 00"));
        QCOMPARE(regs.mid(31, 12), hex("05 01 05 cc 8a ed  00 00 00 00 00 00")); // lost keeps the identity
        // The device's direct parameter page carries the same identity in octets 7..11.
        QCOMPARE(adapter.port(5).device->readIsdu(0, 0).data, hex("00 1e 1e 0b 11 10 00 05 cc 01 8a ed 00 00 00 00"));
    }

    void mailbox()
    {
        using simhelpers::isdu;
        GenericDevice::Identity other;
        other.vendorName = "Other vendor";
        adapter.setPort(7, Mode::IoLinkOperate, std::make_unique<GenericDevice>(other));
        QCOMPARE(isdu(3, 8, 16, 0).left(19), hex("03 08 00 00 00 00") + "\x0cOther vendor");
        QCOMPARE(isdu(3, 1, 16, 0).mid(6, 14), QByteArray("\x0dVanto Systems"));
        adapter.port(7).mode = Mode::IoLinkStarting; // not answering yet
        QCOMPARE(int(quint8(isdu(3, 8, 16, 0).at(2))), 0x06);
        QCOMPARE(adapter.isduRequestCount(), 3);
        QCOMPARE(isdu(1, 1, 0, 0).mid(2), QByteArray(38, '\0')); // clear data
        QCOMPARE(int(quint8(isdu(0, 1, 0, 0).at(2))), 0);        // no operation
        // The generic device refuses: an unknown index, a read-only write, a tag too long.
        QCOMPARE(isdu(3, 1, 500, 0).mid(2, 3) + isdu(2, 1, 18, 0, "x").mid(2, 3)
                     + isdu(2, 1, 24, 0, QByteArray(33, 'a')).mid(2, 3),
                 hex("ff 80 11  ff 80 23  ff 80 33"));
    }

    void scenarioFiles()
    {
        QString error;
        QVERIFY2(applyScenarioFile(HUB8_SOURCE_DIR "/docs/examples/scenario.json", adapter, &error), qPrintable(error));
        QVERIFY(adapter.port(3).mode == Mode::IoLinkStarting && adapter.port(5).mode == Mode::CommunicationLost
                && adapter.port(6).mode == Mode::Deactivated); // not named in the file
        QCOMPARE(QString("%1 %2").arg(adapter.port(0).device->vendorId()).arg(adapter.port(1).device->deviceId()),
                 "888 101101");
        QCOMPARE(adapter.port(0).device->readIsdu(21, 0).data, QByteArray("GEN0001"));

        // The ends of every range, and a name of 33 bytes in UTF-8.
        const QString text33 = QString(16, QChar(0xE9)) + 'x';
        QVERIFY2(applyScenarioJson(QStringLiteral(R"({"isduLatencyMs": 10000, "ports": {
            "Port1": {"device": {"vendorId": 0, "deviceId": 16777215, "vendorName": "%1"}},
            "Port8": {"mode": "iolink", "device": {"vendorId": 65535, "deviceId": 0}}}})")
                                       .arg(text33)
                                       .toUtf8(),
                                   adapter, &error),
                 qPrintable(error));
        QCOMPARE(adapter.port(0).mode, Mode::Deactivated); // no mode: off
        QCOMPARE(QString("%1 %2 %3")
                     .arg(adapter.port(0).device->vendorId())
                     .arg(adapter.port(0).device->deviceId())
                     .arg(adapter.port(7).device->vendorId()),
                 "0 16777215 65535");
        QCOMPARE(adapter.port(0).device->readIsdu(16, 0).data, text33.toUtf8());
        QCOMPARE(adapter.faults().isduLatencyMs, 10000);
        QVERIFY2(applyScenarioJson("{}", adapter, &error), qPrintable(error));
        QCOMPARE(adapter.faults().isduLatencyMs, 20); // the default, not what was there before
        QVERIFY(!adapter.port(0).device && adapter.port(0).mode == Mode::Deactivated);
    }

    void scenarioWithoutStatusBlock()
    {
        const auto firstOctets = [this](quint16 address, int count) {
            return adapter.handleFrame(readFrame(address, quint16(count))).left(3).toHex();
        };
        QString error;
        QVERIFY2(applyScenarioJson(R"({"adapter": {"portStatusBlock": false},
            "ports": {"Port1": {"mode": "iolink", "device": {}}}})",
                                   adapter, &error),
                 qPrintable(error));
        QVERIFY(!adapter.portStatusBlock());
        QCOMPARE(firstOctets(0x3000, 24) + firstOctets(0x3003, 1), "018302018302"); // exception 02
        QCOMPARE(firstOctets(0x3600, 20) + firstOctets(0x9000, 1), "010328010302"); // the rest still answers
        QVERIFY2(applyScenarioJson(R"({"adapter": {}})", adapter, &error), qPrintable(error));
        QVERIFY(adapter.portStatusBlock());
        QCOMPARE(firstOctets(0x3000, 24), "010330");
    }

    void badScenarioChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, const QString &json, const QString &message) {
            QTest::newRow(name) << json.toUtf8() << message;
        };
        const QString longName = QString(17, QChar(0xE9));
        row("not json", "{ports:", "not JSON: unterminated object at offset 2");
        row("unknown top key", R"({"latencyMs": 5})", R"(unknown key "latencyMs" (adapter, isduLatencyMs, ports))");
        row("good adapter, then a bad latency", R"({"adapter": {"portStatusBlock": false}, "isduLatencyMs": -1})",
            "isduLatencyMs: expected an integer 0..10000, got -1");
        row("ports as array", R"({"ports": [{"mode": "di"}]})", "ports: expected an object, got an array");
        row("name of 34 bytes", QString(R"({"ports": {"Port3": {"device": {"serialNumber": "%1"}}}})").arg(longName),
            QString(R"(ports.Port3.device.serialNumber: expected a text of at most 33 bytes in UTF-8, got "%1")")
                .arg(longName));
        row("iodd file missing",
            R"({"ports": {"Port3": {"device": {"type": "iodd", "file": "/nonexistent/dev.xml"}}}})",
            "ports.Port3.device.file: cannot read /nonexistent/dev.xml");
        row("iodd with vendor id",
            R"({"ports": {"Port3": {"device": {"type": "iodd", "file": "a.xml", "vendorId": 1}}}})",
            R"(ports.Port3.device: unknown key "vendorId" (type, file, serialNumber, hardwareRevision, firmwareRevision))");
        row("same key in two objects is fine, twice in one is not",
            R"({"ports": {"Port1": {"mode": "di"}, "Port2": {"mode": "di"}}, "ports": {}})", "ports: given twice");
        row("good ports, then a bad one",
            R"({"ports": {"Port1": {"mode": "do"}, "Port2": {"mode": "di"}, "Port4": {"mode": "on"}}})",
            R"(ports.Port4.mode: expected one of off, di, do, starting, iolink, lost, got "on")");
    }
    void badScenarioChangesNothing()
    {
        QFETCH(QByteArray, json);
        applyDefaultSetup(adapter);
        adapter.faults().isduLatencyMs = 7;
        QList<QPair<Mode, const VirtualDevice *>> before;
        for (int p = 0; p < VirtualAdapter::portCount; ++p)
            before.append({adapter.port(p).mode, adapter.port(p).device.get()});
        QString error;
        QVERIFY(!applyScenarioJson(json, adapter, &error));
        QTEST(error, "message");
        for (int p = 0; p < VirtualAdapter::portCount; ++p) // the very same devices
            QCOMPARE(qMakePair(adapter.port(p).mode, static_cast<const VirtualDevice *>(adapter.port(p).device.get())),
                     before.at(p));
        QVERIFY(adapter.faults().isduLatencyMs == 7 && adapter.portStatusBlock());
    }
};

QTEST_APPLESS_MAIN(tst_virtualadapter)
#include "tst_virtualadapter.moc"
