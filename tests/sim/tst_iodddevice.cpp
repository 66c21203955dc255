// The virtual device built from an IODD: ISDU answers on raw request blocks
// through the adapter, the octets of its variables, and its process data.

#include "defaultsetup.h"
#include "iodddevice.h"
#include "link/modbusframe.h"
#include "scenario.h"
#include "virtualadapter.h"

#include <QDirIterator>
#include <QtTest>

namespace {
QByteArray hex(const char *s) { return QByteArray::fromHex(QByteArray(s).replace(' ', "")); }
QByteArray payload(const QByteArray &frame) { return frame + QByteArray(64 - frame.size(), '\0'); }
QString stdDir() { return QCoreApplication::applicationDirPath() + QStringLiteral("/std"); }
const QString fixture = QStringLiteral(HUB8_SOURCE_DIR "/tests/sim/fixtures/iodd-device.xml");
std::unique_ptr<IoddDevice> load(const QString &path, const QString &serial = QString())
{
    IoddDevice::Options options;
    options.serialNumber = serial;
    QString error;
    auto device = IoddDevice::fromFile(path, stdDir(), &error, options);
    if (!device)
        qWarning("%s", qPrintable(error));
    return device;
}
const QByteArray scenarioJson = R"({"ports": {
    "Port3": {"mode": "iolink", "device": {"type": "iodd", "serialNumber": "S-3",
        "file": "iodd/1484_101101_V1.1_Pellamar-KTX-400A-M12-20240117-IODD1.1/Pellamar-KTX-400A-M12-20240117-IODD1.1.xml"}},
    "Port4": {"mode": "iolink", "device": {"type": "iodd", "file": ")" HUB8_SOURCE_DIR R"(/tests/sim/fixtures/iodd-device.xml"}}}})";
} // namespace

class tst_iodddevice : public QObject
{
    Q_OBJECT
    VirtualAdapter &adapter = VirtualAdapter::instance();

    // One ISDU exchange on the adapter's registers; the 40-octet response block.
    QByteArray isdu(quint8 service, quint8 port, quint16 index, quint8 sub, const QByteArray &data = {})
    {
        QByteArray block(40, '\0');
        block[0] = char(service);
        block[1] = char(port);
        block[3] = char(index >> 8);
        block[4] = char(index & 0xFF);
        block[5] = char(sub);
        block[6] = char(data.size());
        block.replace(7, data.size(), data);
        if (adapter.handleFrame(payload(modbusframe::writeRequest(0x3500, 20, block))).isEmpty())
            return QByteArray();
        return adapter.handleFrame(payload(modbusframe::readRequest(0x3600, 20))).mid(3, 40);
    }

private slots:
    void init()
    {
        adapter.reset();
        adapter.faults().isduLatencyMs = 0;
        auto device = load(fixture, QStringLiteral("FX0007"));
        QVERIFY(device);
        adapter.setPort(0, VirtualAdapter::Mode::IoLinkOperate, std::move(device));
    }


    void errorAnswers_data()
    {
        QTest::addColumn<int>("service");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("subindex");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("code");
        const int read = 3, write = 2;
        QTest::newRow("unknown index") << read << 999 << 0 << QByteArray() << 0x8011;
        QTest::newRow("unlisted standard index") << read << 17 << 0 << QByteArray() << 0x8011;
        QTest::newRow("subindex of a simple value") << read << 103 << 1 << QByteArray() << 0x8012;
        QTest::newRow("record item that is not there") << read << 100 << 9 << QByteArray() << 0x8012;
        QTest::newRow("read item without subindex access") << read << 101 << 1 << QByteArray() << 0x8012;
        QTest::newRow("write item without subindex access") << write << 101 << 2 << hex("00 01") << 0x8012;
        QTest::newRow("array element beyond count") << read << 102 << 4 << QByteArray() << 0x8012;
        QTest::newRow("write to ro") << write << 107 << 0 << hex("00 00") << 0x8023;
        QTest::newRow("write to ro record item") << write << 100 << 4 << hex("01") << 0x8023;
        QTest::newRow("write to direct parameters") << write << 0 << 2 << hex("01") << 0x8023;
        QTest::newRow("read of wo") << read << 105 << 0 << QByteArray() << 0x8023;
        QTest::newRow("read of system command") << read << 2 << 0 << QByteArray() << 0x8023;
        QTest::newRow("below range, not a single value") << write << 103 << 0 << hex("00 05") << 0x8030;
        QTest::newRow("record item above range") << write << 100 << 1 << hex("0a") << 0x8030;
        QTest::newRow("item out of range in a whole record") << write << 101 << 0 << hex("01 00 c8") << 0x8030;
        QTest::newRow("negative item below range") << write << 101 << 0 << hex("00 ff 9b") << 0x8030;
        QTest::newRow("array element out of range") << write << 102 << 2 << hex("00") << 0x8030;
        QTest::newRow("boolean 2") << write << 108 << 0 << hex("02") << 0x8030;
        QTest::newRow("float above range") << write << 106 << 0 << hex("40 00 00 00") << 0x8030;
        QTest::newRow("float NaN") << write << 106 << 0 << hex("7f c0 00 00") << 0x8030;
        QTest::newRow("4-bit item wider than 4 bits") << write << 100 << 1 << hex("12") << 0x8030;
        QTest::newRow("number too long") << write << 103 << 0 << hex("00 00 32") << 0x8033;
        QTest::newRow("number too short") << write << 103 << 0 << hex("32") << 0x8034;
        QTest::newRow("string longer than fixed length") << write << 104 << 0 << QByteArray("123456789") << 0x8033;
        QTest::newRow("record too long") << write << 100 << 0 << hex("5f d5 00") << 0x8033;
        QTest::newRow("record too short") << write << 100 << 0 << hex("5f") << 0x8034;
        QTest::newRow("record item too long") << write << 100 << 2 << hex("00 01") << 0x8033;
        QTest::newRow("command too long") << write << 2 << 0 << hex("82 00") << 0x8033;
        QTest::newRow("command not in the standard") << write << 2 << 0 << hex("07") << 0x8030;
        QTest::newRow("standard command not offered") << write << 2 << 0 << hex("83") << 0x8035;
        QTest::newRow("vendor command not offered") << write << 2 << 0 << hex("a1") << 0x8035;
    }

    void errorAnswers()
    {
        QFETCH(int, service);
        QFETCH(int, index);
        QFETCH(int, subindex);
        QFETCH(QByteArray, data);
        QFETCH(int, code);
        const QByteArray before = adapter.port(0).device->readIsdu(quint16(index), 0).data;
        const QByteArray r = isdu(quint8(service), 1, quint16(index), quint8(subindex), data);
        QCOMPARE(r.size(), 40);
        // Error flag, the code, and no data octets.
        QCOMPARE(r.mid(2, 3).toHex() + char('0' + r.at(6)), QByteArray::number(0xFF0000 | code, 16) + '0');
        QCOMPARE(adapter.port(0).device->readIsdu(quint16(index), 0).data, before);   // nothing stored
    }

    void recordsArraysAndSimpleValues()
    {
        VirtualDevice &d = *adapter.port(0).device;
        // Defaults from RecordItemInfo: 5 at bit 12, -3 across the octets at bit 4, ro 2 at bit 1, flag at 0.
        QByteArray r = isdu(3, 1, 100, 0);
        QCOMPARE(r.mid(2, 1), hex("00"));
        QCOMPARE(r.mid(6, 3), hex("02 5f d5"));
        QCOMPARE(d.readIsdu(100, 1).data, hex("05"));
        QCOMPARE(d.readIsdu(100, 2).data, hex("fd"));
        QCOMPARE(d.readIsdu(100, 3).data, hex("01"));
        QCOMPARE(d.readIsdu(100, 4).data, hex("02"));

        QCOMPARE(isdu(2, 1, 100, 2, hex("7f")).at(2), '\0');
        QCOMPARE(d.readIsdu(100, 0).data, hex("57 f5"));
        // A whole-record write leaves the read-only item as it was.
        QVERIFY(d.writeIsdu(100, 0, hex("90 0b")).ok());   // 9, 0x00, ro 5 (ignored), flag 1
        QCOMPARE(d.readIsdu(100, 0).data, hex("90 05"));
        QCOMPARE(d.readIsdu(100, 2).data, hex("00"));

        QCOMPARE(d.readIsdu(101, 0).data, hex("00 ff fe"));   // -2; a flag without info defaults to false
        QVERIFY(d.writeIsdu(101, 0, hex("01 00 64")).ok());
        QCOMPARE(d.readIsdu(101, 0).data, hex("01 00 64"));

        QCOMPARE(d.readIsdu(102, 0).data, hex("01 01 01"));   // elements start at the range's lower value
        QVERIFY(d.writeIsdu(102, 2, hex("07")).ok());
        QCOMPARE(d.readIsdu(102, 0).data, hex("01 07 01"));
        QCOMPARE(d.readIsdu(102, 2).data, hex("07"));

        QCOMPARE(d.readIsdu(103, 0).data, hex("00 32"));
        QVERIFY(d.writeIsdu(103, 0, hex("00 00")).ok());   // a single value outside the range
        QVERIFY(d.writeIsdu(103, 0, hex("03 e8")).ok());

        QCOMPARE(d.readIsdu(104, 0).data, QByteArray("abc"));
        QVERIFY(d.writeIsdu(104, 0, QByteArray("PT-02\0\0\0", 8)).ok());
        QCOMPARE(d.readIsdu(104, 0).data, QByteArray("PT-02"));   // used octets only

        QCOMPARE(d.readIsdu(106, 0).data, hex("3f 00 00 00"));
        QVERIFY(d.writeIsdu(106, 0, hex("bf c0 00 00")).ok());   // -1.5, the lower limit
        QCOMPARE(d.readIsdu(107, 0).data, hex("12 34"));
        QVERIFY(d.writeIsdu(105, 0, hex("80")).ok());
    }

    void systemCommands()
    {
        VirtualDevice &d = *adapter.port(0).device;
        QVERIFY(d.writeIsdu(100, 1, hex("09")).ok());
        QVERIFY(d.writeIsdu(103, 0, hex("00 0a")).ok());
        QVERIFY(d.writeIsdu(104, 0, QByteArray("xyz")).ok());
        QVERIFY(d.writeIsdu(24, 0, QByteArray("tank 3")).ok());
        QVERIFY(d.writeIsdu(2, 0, hex("a0")).ok());   // the description's own button: acknowledged
        QCOMPARE(d.readIsdu(103, 0).data, hex("00 0a"));

        QCOMPARE(isdu(2, 1, 2, 0, hex("82")).at(2), '\0');   // restore factory settings
        QCOMPARE(d.readIsdu(100, 0).data, hex("5f d5"));
        QCOMPARE(d.readIsdu(103, 0).data, hex("00 32"));
        QCOMPARE(d.readIsdu(104, 0).data, QByteArray("abc"));
        QCOMPARE(d.readIsdu(24, 0).data, QByteArray("***"));
    }

    void identification()
    {
        VirtualDevice &d = *adapter.port(0).device;
        QCOMPARE(d.vendorId() + d.deviceId(), 42u + 4242u);
        // Vendor name from DeviceIdentity, product name from its defaultValue, serial number from the options.
        QCOMPARE(QByteArrayList({d.readIsdu(16, 0).data, d.readIsdu(18, 0).data, d.readIsdu(20, 0).data, d.readIsdu(21, 0).data}),
                 QByteArrayList({"Fixture Works", "FX-1 test device", "Test device with every datatype", "FX0007"}));
        QCOMPARE(d.readIsdu(36, 0).data, hex("00"));
        // Cycle time 2.3 ms, M-sequence 3, revision 1.1, PD in 3 octets, PD out 8 bits.
        const QByteArray r = isdu(3, 1, 0, 0);
        QCOMPARE(r.mid(6, 17), hex("10 00 17 17 03 11 82 08 00 2a 00 10 92 00 00 00 00"));
        QCOMPARE(d.readIsdu(0, 9).data, hex("2a"));
        QCOMPARE(d.readIsdu(0, 17).error, isduerror::subindexNotAvailable);
        QCOMPARE(load(fixture)->readIsdu(21, 0).data, QByteArray("SN00004242"));
    }

    void builtinDevice()
    {
        applyDefaultSetup(adapter);
        adapter.faults().isduLatencyMs = 0;
        QVERIFY(dynamic_cast<IoddDevice *>(adapter.port(1).device.get()));
        QVERIFY(!dynamic_cast<IoddDevice *>(adapter.port(0).device.get()));
        VirtualDevice &d = *adapter.port(3).device;
        QCOMPARE(d.readIsdu(0, 0).data, hex("00 32 32 11 11 c3 10 05 cc 01 8a ed 00 00 00 00"));
        QCOMPARE(d.readIsdu(16, 0).data + d.readIsdu(21, 0).data + d.readIsdu(71, 0).data, QByteArray("PellamarPK24011700174PT-01"));
        QCOMPARE(d.readIsdu(64, 0).data + d.readIsdu(65, 0).data, hex("0c 80 0b b8 00 00 06 40 05 dc 01 05"));
        QCOMPARE(d.readIsdu(37, 0).data, QByteArray(12, '\0'));   // four entries of three octets

        // Switch point 400.1 bar is above its range; 400.0 bar is taken.
        QByteArray r = isdu(2, 4, 64, 1, hex("0f a1"));
        QCOMPARE(r.mid(2, 3), hex("ff 80 30"));
        QCOMPARE(isdu(2, 4, 64, 1, hex("0f a0")).at(2), '\0');
        QCOMPARE(isdu(3, 4, 64, 0).mid(6, 7), hex("06 0f a0 0b b8 00 00"));
        QCOMPARE(isdu(2, 4, 73, 2, hex("00 00")).mid(2, 3), hex("ff 80 12"));   // no subindex access
        QCOMPARE(isdu(2, 4, 2, 0, hex("c8")).mid(2, 3), hex("ff 80 35"));       // vendor range, not offered
        QCOMPARE(isdu(2, 4, 2, 0, hex("a1")).at(2), '\0');                      // reset min/max memory
        QCOMPARE(isdu(2, 4, 2, 0, hex("83")).at(2), '\0');                      // back-to-box
        QCOMPARE(d.readIsdu(64, 0).data, hex("0c 80 0b b8 00 00"));
        // Other ports' devices are their own.
        QCOMPARE(adapter.port(1).device->readIsdu(21, 0).data, QByteArray("PK24011700172"));
    }

    void processDataMovesWithinRanges()
    {
        const auto device = load(fixture);
        QCOMPARE(device->processDataInOctets(), 3);
        QCOMPARE(device->processDataOutOctets(), 1);
        // At power-up every number sits in the middle of its range: 0 at bit 8, 25 at bit 2, flag 0 on.
        QCOMPARE(device->processDataIn(0), hex("00 00 65"));

        QSet<int> flags0, flags1, small, large;
        for (qint64 ms = 0; ms < 60000; ms += 250) {
            const QByteArray pd = device->processDataIn(ms);
            QCOMPARE(pd.size(), 3);
            const qint16 number = qint16((quint8(pd.at(0)) << 8) | quint8(pd.at(1)));
            const int level = quint8(pd.at(2)) >> 2;
            QVERIFY2(number > -500 && number < 500 && level > 0 && level < 50, qPrintable(QStringLiteral("%1 %2").arg(number).arg(level)));
            large.insert(number);
            small.insert(level);
            flags0.insert(pd.at(2) & 1);
            flags1.insert((pd.at(2) >> 1) & 1);
        }
        QVERIFY(large.size() > 40 && small.size() > 20);   // a sine repeats its values: 108 samples per period
        QCOMPARE(flags0.size() + flags1.size(), 4);

        // Flag changes happen seconds apart, not on every sample.
        int switches = 0;
        for (qint64 ms = 250; ms <= 20000; ms += 250)
            switches += (device->processDataIn(ms).at(2) & 1) != (device->processDataIn(ms - 250).at(2) & 1);
        QCOMPARE(switches, 2);
    }

    void processDataThroughTheAdapter()
    {
        applyDefaultSetup(adapter);
        adapter.faults().isduLatencyMs = 0;
        // Port2's input window: pressure in octets 0-1, temperature << 3 and three flags in octets 2-3.
        const QByteArray a = adapter.handleFrame(payload(modbusframe::readRequest(0x9020, 3)));
        QCOMPARE(a.left(3), hex("01 03 06"));
        const QByteArray pd = a.mid(3, 6);
        const qint16 pressure = qint16((quint8(pd.at(0)) << 8) | quint8(pd.at(1)));
        const qint16 word = qint16((quint8(pd.at(2)) << 8) | quint8(pd.at(3)));
        QVERIFY2(pressure > -100 && pressure < 4400, qPrintable(QString::number(pressure)));
        QVERIFY2((word >> 3) > -400 && (word >> 3) < 1500, qPrintable(QString::number(word >> 3)));
        QCOMPARE(pd.mid(4, 2), hex("00 00"));   // behind the 4 octets of the device

        // Output data reach the device, which keeps them and answers them on index 41.
        QVERIFY(!adapter.handleFrame(payload(modbusframe::writeRequest(0x8020, 1, hex("00 15")))).isEmpty());
        QCOMPARE(adapter.port(1).device->processDataOut().left(2), hex("00 15"));
        QCOMPARE(isdu(3, 2, 41, 0).mid(6, 3), hex("02 00 15"));
        QCOMPARE(isdu(3, 2, 40, 0).at(6), '\4');
        QCOMPARE(isdu(2, 2, 40, 0, hex("00 00 00 00")).mid(2, 3), hex("ff 80 23"));
    }

    void scenarioIoddDevice()
    {
        QString error;
        QVERIFY2(applyScenarioJson(scenarioJson, adapter, &error), qPrintable(error));
        QCOMPARE(adapter.port(2).device->vendorId(), quint16(1484));
        QCOMPARE(adapter.port(2).device->readIsdu(21, 0).data, QByteArray("S-3"));
        QCOMPARE(adapter.port(3).device->deviceId(), quint32(4242));

        QVERIFY(!applyScenarioJson(R"({"ports": {"Port1": {"mode": "iolink", "device": {"type": "iodd", "file": "nothing.xml"}}}})",
                                   adapter, &error));
        QVERIFY2(error.contains(QLatin1String("nothing.xml")), qPrintable(error));
        QVERIFY(!applyScenarioJson(R"({"ports": {"Port1": {"mode": "iolink", "device": {"type": "iodd"}}}})", adapter,
                                   &error));
        QCOMPARE(adapter.port(3).device->deviceId(), quint32(4242));   // left as it was
    }

    void unreadableFiles()
    {
        QTemporaryDir dir;
        const QString broken = dir.filePath(QStringLiteral("broken.xml"));
        QFile f(broken);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<IODevice><ProfileBody>");
        f.close();
        for (const QString &path : {broken, dir.filePath(QStringLiteral("absent.xml")),
                                    stdDir() + QStringLiteral("/std1.1/IODD-StandardDefinitions1.1.xml")}) {
            QString error;
            QVERIFY(!IoddDevice::fromFile(path, stdDir(), &error));
            QVERIFY2(!error.isEmpty(), qPrintable(path));
        }
    }

    // Every description of the corpus makes a device that answers every one of
    // its indexes, by subindex 0 and 1, and takes back what it read.
    void corpusSmoke()
    {
        const QString corpus = QStringLiteral(HUB8_CORPUS_DIR);
        if (!QFileInfo::exists(corpus))
            QSKIP("no IODD corpus");
        int devices = 0;
        QDirIterator it(corpus, {QStringLiteral("*.xml")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.mid(corpus.size()).startsWith(QLatin1String("/std/")))
                continue;
            QString error;
            auto device = IoddDevice::fromFile(path, stdDir(), &error);
            if (!device)
                continue;
            ++devices;
            for (quint16 index : device->indexes()) {
                const IsduAnswer whole = device->readIsdu(index, 0);
                device->readIsdu(index, 1);
                if (whole.ok() && index != 2 && index != 0) {
                    const IsduAnswer back = device->writeIsdu(index, 0, whole.data);
                    QVERIFY2(back.ok() || back.error == isduerror::accessDenied,
                             qPrintable(QStringLiteral("%1 index %2: %3").arg(path).arg(index).arg(back.error, 0, 16)));
                }
            }
            QCOMPARE(device->processDataIn(1234).size(), device->processDataInOctets());
        }
        QVERIFY(devices > 10);
    }
};

QTEST_GUILESS_MAIN(tst_iodddevice)
#include "tst_iodddevice.moc"
