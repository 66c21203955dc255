// The virtual adapter's request handler on raw frames (no transport, no link), the scenario files that set up
// its ports (bad files change nothing), and the virtual device built from an IODD: ISDU answers on raw request
// blocks through the adapter and the octets of its variables.

#include "defaultsetup.h"
#include "description/builtindescription.h"
#include "genericdevice.h"
#include "iodddevice.h"
#include "scenario.h"
#include "simhelpers.h"
#include "testhelpers.h"

#include <QtTest>

using TestHelpers::hex;
using Mode = VirtualAdapter::Mode;

namespace {
QByteArray withCrc(QByteArray frame)
{
    ModbusFrame::appendCrc(frame);
    return frame;
}
QByteArray readFrame(quint16 address, quint16 count)
{
    return ModbusFrame::readRequest(address, count);
}
QByteArray writeFrame(quint16 address, const QByteArray &values)
{
    return ModbusFrame::writeRequest(address, values.size() / 2, values);
}
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
    return SimHelpers::isdu(p.at(0) == "w" ? 2 : 3, quint8(port), quint16(p.at(1).section('/', 0, 0).toInt()),
                            quint8(p.at(1).section('/', 1).toInt()), hex(qPrintable(p.mid(2).join(QString()))));
}
} // namespace

class tst_virtualadapter : public QObject
{
    Q_OBJECT
    VirtualAdapter &m_adapter = VirtualAdapter::instance();

    QByteArray read(quint16 index, quint8 sub = 0, int port = 0)
    {
        return m_adapter.port(port).device->readIsdu(index, sub).data;
    }
    bool write(quint16 index, quint8 sub, const QByteArray &data)
    {
        return m_adapter.port(0).device->writeIsdu(index, sub, data).ok();
    }
    // The whole index after a write, or "refused".
    QByteArray writeRead(quint16 index, quint8 sub, const QByteArray &data)
    {
        return write(index, sub, data) ? read(index) : "refused";
    }

    // The fixture device on Port1.
    bool useFixture()
    {
        auto device = load(fixture, QStringLiteral("FX0007"));
        return device && (m_adapter.setPort(0, Mode::IoLinkOperate, std::move(device)), true);
    }

private slots:
    void init()
    {
        SimHelpers::freshAdapter();
        m_adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
    }

    // Frames as a real adapter checks them: Modbus RTU's CRC, low byte first.
    void framesCarryTheModbusCrc()
    {
        const QList<QByteArray> frames{readFrame(0x0000, 1), readFrame(0x0000, 10),
                                       writeFrame(0x8000, hex("00 01 00 02"))};
        QCOMPARE(frames,
                 QList<QByteArray>({hex("01 03 00 00 00 01 84 0a"), hex("01 03 00 00 00 0a c5 cd"),
                                    hex("01 10 80 00 00 02 04 00 01 00 02 42 68")}));
        for (QByteArray frame : frames) {
            QVERIFY(ModbusFrame::crcValid(frame));
            frame[3] = char(frame.at(3) ^ 0x10);
            QVERIFY(!ModbusFrame::crcValid(frame));
        }
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
    }
    void answers()
    {
        QFETCH(QByteArray, frame);
        QTEST(m_adapter.handleFrame(frame), "answer");
    }

    void portStatusBlock()
    {
        m_adapter.setPort(2, Mode::DigitalIn);
        m_adapter.setPort(5, Mode::CommunicationLost,
                          std::make_unique<GenericDevice>(GenericDevice::Identity{1484, 101101}));
        const QByteArray regs = m_adapter.handleFrame(readFrame(0x3000, 24)).mid(2, 49);
        QCOMPARE(regs.at(0), char(48));
        QCOMPARE(regs.mid(1, 12), hex("04 00 03 78 01 01  00 00 00 00 00 00")); // operate 888/0x000101, off
        QCOMPARE(regs.mid(13, 6), hex("01 00 00 00 00 00"));
        QCOMPARE(regs.mid(31, 12), hex("05 01 05 cc 8a ed  00 00 00 00 00 00")); // lost keeps the identity
        // The device's direct parameter page carries the same identity in octets 7..11.
        QCOMPARE(m_adapter.port(5).device->readIsdu(0, 0).data, hex("00 1e 1e 0b 11 10 00 05 cc 01 8a ed 00 00 00 00"));
    }

    void mailbox()
    {
        using SimHelpers::isdu;
        m_adapter.setPort(7, Mode::IoLinkStarting, std::make_unique<GenericDevice>()); // not answering yet
        QCOMPARE(isdu(3, 1, 16, 0).left(20), hex("03 01 00 00 00 00") + "\x0dVanto Systems");
        QCOMPARE(isdu(3, 8, 16, 0).left(3), hex("03 08 06"));
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
        QVERIFY2(applyScenarioFile(HUB8_SOURCE_DIR "/docs/examples/scenario.json", m_adapter, &error),
                 qPrintable(error));
        QVERIFY(m_adapter.port(3).mode == Mode::IoLinkStarting
                && m_adapter.port(6).mode == Mode::Deactivated); // not named
        QCOMPARE(m_adapter.port(0).device->readIsdu(21, 0).data + m_adapter.port(1).device->readIsdu(16, 0).data,
                 QByteArray("GEN0001Pellamar"));

        // The ends of every range, and a name of 33 bytes in UTF-8.
        const QString text33 = QString(16, QChar(0xE9)) + 'x';
        QVERIFY2(applyScenarioJson(QStringLiteral(R"({"isduLatencyMs": 10000, "reportLatencyMs": 5000,
            "adapter": {"absent": true, "portStatusBlock": false}, "ports": {
            "Port1": {"device": {"vendorId": 0, "deviceId": 16777215, "vendorName": "%1"}},
            "Port8": {"mode": "iolink", "device": {"vendorId": 65535, "deviceId": 0}}}})")
                                       .arg(text33)
                                       .toUtf8(),
                                   m_adapter, &error),
                 qPrintable(error));
        QCOMPARE(m_adapter.port(0).mode, Mode::Deactivated); // no mode: off
        QCOMPARE(QString("%1 %2 %3")
                     .arg(m_adapter.port(0).device->vendorId())
                     .arg(m_adapter.port(0).device->deviceId())
                     .arg(m_adapter.port(7).device->vendorId()),
                 "0 16777215 65535");
        QCOMPARE(m_adapter.port(0).device->readIsdu(16, 0).data, text33.toUtf8());
        QVERIFY(m_adapter.faults().isduLatencyMs == 10000 && m_adapter.faults().lateAnswerMs == 5000
                && m_adapter.faults().absent && !m_adapter.portStatusBlock());
        QVERIFY2(applyScenarioJson("{}", m_adapter, &error), qPrintable(error));
        QCOMPARE(m_adapter.faults().isduLatencyMs, 20); // the default, not what was there before
        QCOMPARE(m_adapter.faults().lateAnswerMs, 0);
        QVERIFY(!m_adapter.faults().absent && m_adapter.portStatusBlock());
        QVERIFY(!m_adapter.port(0).device && m_adapter.port(0).mode == Mode::Deactivated);
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
        row("unknown top key", R"({"latencyMs": 5})",
            R"(unknown key "latencyMs" (adapter, isduLatencyMs, reportLatencyMs, ports))");
        row("report latency beyond 5 s", R"({"reportLatencyMs": 5001})",
            "reportLatencyMs: expected an integer 0..5000, got 5001");
        row("good adapter, then a bad latency", R"({"adapter": {"portStatusBlock": false}, "isduLatencyMs": -1})",
            "isduLatencyMs: expected an integer 0..10000, got -1");
        row("ports as array", R"({"ports": [{"mode": "di"}]})", "ports: expected an object, got an array");
        row("name of 34 bytes", QString(R"({"ports": {"Port3": {"device": {"serialNumber": "%1"}}}})").arg(longName),
            QString(R"(ports.Port3.device.serialNumber: expected a text of at most 33 bytes in UTF-8, got "%1")")
                .arg(longName));
        row("iodd file missing",
            R"({"ports": {"Port3": {"device": {"type": "iodd", "file": "/nonexistent/dev.xml"}}}})",
            "ports.Port3.device.file: cannot read /nonexistent/dev.xml");
        // Given data of a device built from the built-in description (4 octets of input).
        const QString builtin = QStringLiteral(HUB8_SOURCE_DIR "/data/") + BuiltinDescription::relativePath;
        const auto given = [&builtin](const char *name, const QString &device, const QString &message) {
            QTest::newRow(name) << QString(R"({"ports": {"Port2": {"device": {"type": "iodd", "file": "%1", %2}}}})")
                                       .arg(builtin, device)
                                       .toUtf8()
                                << "ports.Port2.device." + message;
        };
        given("input too short", R"("processDataIn": "06 67")",
              R"(processDataIn: expected 4 octets in hex, got "06 67")");
        given("parameter index too high", R"("parameters": {"64:256": "00"})",
              R"(parameters: expected an index 0..65535 or index:subindex with subindex 0..255, got "64:256")");
        given("one address written two ways", R"("parameters": {"64": "00", "64:0": "01"})",
              R"(parameters: "64" and "64:0" name the same index and subindex)");
        given("write error not a code", R"("writeErrors": {"66": "8030"})",
              R"(writeErrors.66: expected an ISDU error code 0x8000..0x8fff, got "8030")");
        given("event code zero", R"("events": [{"code": "0x0000", "type": "error"}])",
              R"(events[0].code: expected an event code 0x0001..0xffff, got "0x0000")");
        given("second event lasts no time",
              R"("events": [{"code": "0x4210", "type": "error"}, {"code": "0x4220", "type": "error", "for": 0}])",
              "events[1].for: expected seconds above 0, at most 86400, got 0");
        row("same key in two objects is fine, twice in one is not",
            R"({"ports": {"Port1": {"mode": "di"}, "Port2": {"mode": "di"}}, "ports": {}})", "ports: given twice");
        row("good ports, then a bad one",
            R"({"ports": {"Port1": {"mode": "do"}, "Port2": {"mode": "di"}, "Port4": {"mode": "on"}}})",
            R"(ports.Port4.mode: expected one of off, di, do, starting, iolink, lost, got "on")");
    }
    void badScenarioChangesNothing()
    {
        QFETCH(QByteArray, json);
        applyDefaultSetup(m_adapter);
        m_adapter.faults().isduLatencyMs = 7;
        QList<QPair<Mode, const VirtualDevice *>> before;
        for (int p = 0; p < VirtualAdapter::portCount; ++p)
            before.append({m_adapter.port(p).mode, m_adapter.port(p).device.get()});
        QString error;
        QVERIFY(!applyScenarioJson(json, m_adapter, &error));
        QTEST(error, "message");
        for (int p = 0; p < VirtualAdapter::portCount; ++p) // the very same devices
            QCOMPARE(
                qMakePair(m_adapter.port(p).mode, static_cast<const VirtualDevice *>(m_adapter.port(p).device.get())),
                before.at(p));
        QVERIFY(m_adapter.faults().isduLatencyMs == 7 && m_adapter.portStatusBlock());
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
        QVERIFY(useFixture());
        for (const QString &request : requests.split("; ")) {
            const quint16 index = quint16(request.section(' ', 1, 1).section('/', 0, 0).toInt());
            const QByteArray before = read(index), r = isdu(request);
            QVERIFY2(status(r) == (0xFF0000 | code) && r.at(6) == 0 && read(index) == before, qPrintable(request));
        }
    }

    void recordsArraysAndSimpleValues()
    {
        QVERIFY(useFixture());
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
        QVERIFY(useFixture());
        VirtualDevice &d = *m_adapter.port(0).device;
        QCOMPARE(QString("%1/%2").arg(d.vendorId()).arg(d.deviceId()), "42/4242");
        // Vendor name from DeviceIdentity, product name from its defaultValue, serial number from the options.
        QCOMPARE(QByteArrayList({read(16), read(18), read(20), read(21), read(36)}),
                 QByteArrayList(
                     {"Fixture Works", "FX-1 test device", "Test device with every datatype", "FX0007", hex("00")}));
        // Cycle time 2.3 ms, M-sequence 3, revision 1.1, PD in 3 octets, PD out 8 bits.
        QCOMPARE(isdu("r 0/0").mid(6, 17), hex("10 00 17 17 03 11 82 08 00 2a 00 10 92 00 00 00 00"));
        QVERIFY(read(0, 9) == hex("2a") && d.readIsdu(0, 17).error == IsduError::subindexNotAvailable);
        QCOMPARE(load(fixture)->readIsdu(21, 0).data, QByteArray("SN00004242"));
        QCOMPARE(d.processDataIn(0), hex("00 00 65")); // numbers in the middle of their ranges, flag 0 on
    }

    void builtinDevices()
    {
        applyDefaultSetup(m_adapter);
        m_adapter.faults().isduLatencyMs = 0;
        QCOMPARE(read(16, 0, 3) + read(21, 0, 3) + read(21, 0, 1), QByteArray("PellamarPK24011700174PK24011700172"));
        QVERIFY(status(isdu("w 64/1 0f a0", 4)) == 0);
        // No subindex access; reset min/max memory and back-to-box offered, which restores the defaults.
        QVERIFY(status(isdu("w 73/2 00 00", 4)) == 0xFF8012 && status(isdu("w 2/0 a1", 4)) == 0
                && status(isdu("w 2/0 83", 4)) == 0);
        QCOMPARE(read(64, 0, 3), hex("0c 80 0b b8 00 00"));
    }

    // A scenario's fixed input, given parameters and refused writes, seen through the adapter's registers.
    void givenDataThroughTheAdapter()
    {
        const QByteArray json =
            QByteArray(
                "{\"ports\": {\"Port3\": {\"mode\": \"iolink\", \"device\": {\"type\": \"iodd\", "
                "\"processDataIn\": \"06 67 0002\", \"writeErrors\": {\"67\": \"0x8023\"}, \"parameters\": "
                "{\"64\": \"07d0 076c 01 0a\", \"64:3\": \"00 02\", \"66\": \"0a 14 1e\", \"900:3\": \"01 02\"}, "
                "\"file\": \"")
            + BuiltinDescription::relativePath + "\"}}}}";
        QString error;
        QVERIFY2(applyScenarioJson(json, m_adapter, &error), qPrintable(error));
        m_adapter.faults().isduLatencyMs = 0;
        // Requests separated by "; ", in order; each answers its data in hex or its error code.
        const auto run = [](const QString &requests) {
            QStringList out;
            for (const QString &request : requests.split("; ")) {
                const QByteArray r = isdu(request, 3);
                out << (status(r) ? QString::number(status(r) & 0xFFFF, 16) : r.mid(7, r.at(6)).toHex(' '));
            }
            return out.join('|');
        };
        for (int turn = 0; turn < 2; ++turn, QTest::qWait(300)) // no motion
            QCOMPARE(m_adapter.handleFrame(readFrame(0x9040, 3)).mid(3, 6), hex("06 67 00 02 00 00"));
        QCOMPARE(run("r 40/0"), "06 67 00 02");
        // Octets of the value's length become the value: items read from them, writes checked and kept.
        QCOMPARE(run("r 64/0; r 64/1; w 64/1 0f a1; w 64/1 0f a0; r 64/0"),
                 "07 d0 07 6c 01 0a|07 d0|8030||0f a0 07 6c 01 0a");
        // An item given in octets that do not fit is answered as given until the whole record is written.
        QCOMPARE(run("r 64/3; w 64/0 0f a0 07 6c 02 0a; r 64/3"), "00 02||02");
        // Octets that do not fit are answered as given; a write the description accepts replaces them.
        QCOMPARE(run("r 66/0; w 66/0 ff ff; w 66/0 00 64; r 66/0"), "0a 14 1e|8030||00 64");
        // An index the description lacks answers exactly what was given and takes any write.
        QCOMPARE(run("r 900/3; r 900/0; w 900/3 ab; r 900/3"), "01 02|8012||ab");
        // A refused index refuses every write, whatever its value.
        QCOMPARE(run("w 67/0 00 00 00 00"), "8023");
        // Restoring factory settings brings back what the scenario gave, not the description's defaults.
        QCOMPARE(run("w 2/0 82; r 64/0; r 64/3; r 66/0; r 900/3"), "|07 d0 07 6c 01 0a|00 02|0a 14 1e|01 02");
    }

    void scenarioAndUnreadableFiles()
    {
        QString error;
        const QByteArray json = "{\"ports\": {\"Port3\": {\"mode\": \"iolink\", \"device\": {\"type\": \"iodd\", "
                                "\"serialNumber\": \"S-3\", \"file\": \""
            + QByteArray(BuiltinDescription::relativePath) + "\"}}}}";
        QVERIFY2(applyScenarioJson(json, m_adapter, &error), qPrintable(error));
        QCOMPARE(m_adapter.port(2).device->vendorId(), quint16(1484));
        QCOMPARE(read(21, 0, 2), QByteArray("S-3"));
        // Broken, absent and non-device files make no device and say why.
        for (const QString &path : {QStringLiteral(HUB8_SOURCE_DIR "/tests/description/fixtures/malformed_bad.xml"),
                                    fixture + ".absent", stdDir() + "/std1.1/IODD-StandardDefinitions1.1.xml"})
            QVERIFY2(!IoddDevice::fromFile(path, stdDir(), &(error = QString())) && !error.isEmpty(), qPrintable(path));
    }
};

QTEST_GUILESS_MAIN(tst_virtualadapter)
#include "tst_virtualadapter.moc"
