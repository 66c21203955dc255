// The link's commands against the virtual adapter: bytes across the hidapi seam, answer checks, failure paths.

#include "genericdevice.h"
#include "protocol/modbusframe.h"
#include "link/mymodbus.h"
#include "testhelpers.h"
#include "virtualadapter.h"

#include <QtTest>

#include <cstring>

using testhelpers::hex;
static QByteArray padded(const QByteArray &start) { return start + QByteArray(65 - start.size(), '\0'); }

struct WriteFault { bool wrongEcho; int exception; quint16 address; };
// request: service, port, 0, index, subindex, length, data; forced -1 leaves the status to the device.
struct IsduCase { QByteArray request; int forced, status; QByteArray data; };
Q_DECLARE_METATYPE(WriteFault)
Q_DECLARE_METATYPE(IsduCase)

class tst_mymodbus : public QObject
{
    Q_OBJECT
    VirtualAdapter &adapter = VirtualAdapter::instance();
    myModbus *link = nullptr;

private slots:
    void init()
    {
        adapter.reset();
        adapter.faults().isduLatencyMs = 0;
        adapter.setPort(0, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        adapter.setPort(1, VirtualAdapter::Mode::DigitalIn);
        link = new myModbus;
        QCOMPARE(link->openDevice(), 0);
    }
    void cleanup() { delete link; }

    void reportsOnTheWire()
    {
        QCOMPARE(link->writeRegister(0x8000, 1), 0);
        quint16 v = 0xFFFF;
        QCOMPARE(link->readRegister(0x9000, v), 0);
        QCOMPARE(adapter.log().at(0).request, padded(hex("00 01 10 80 00 00 01 02 00 01 e6 58")));
        QCOMPARE(adapter.log().at(1).request, padded(hex("00 01 03 90 00 00 01 a9 0a")));

        QCOMPARE(link->writeIsduRequest(IsduRequestBlock::make(0x03, 1, 0x1234, 5, 0)), 0);
        QCOMPARE(adapter.log().last().request.left(48),
                 hex("00 01 10 35 00 00 14 28  03 01 00 12 34 05 00") + QByteArray(33, '\0'));
    }

    void valuesEncodedAndDecoded()
    {
        const auto *values = reinterpret_cast<const unsigned char *>("\x00\x01\x00\x02\x01\x2c");
        QCOMPARE(link->writeRegisterBlock(0x8020, values, 3), 0);
        QString text = QStringLiteral("stale");
        QCOMPARE(link->readRegistersText(0x8020, 3, text), 0);
        QCOMPARE(text, QStringLiteral("1,2,300"));
        QByteArray out("x");
        QCOMPARE(link->readRegisters(0x8020, 2, out), 0);
        QCOMPARE(out, QByteArray("x") + hex("00 01 00 02"));   // appended, not replaced

        // Three registers from a four-byte array: the third goes out as zero.
        QCOMPARE(link->writeRegisters(0x8040, hex("0a 0b 0c 0d"), 3), 0);
        QCOMPARE(adapter.port(2).pdOut.left(6), hex("0a 0b 0c 0d 00 00"));
        adapter.clearLog();
        QCOMPARE(link->writeRegistersText(0x8000, QStringLiteral("1,,2,")), 0);
        QCOMPARE(adapter.log().at(0).request.mid(1, 11), hex("01 10 80 00 00 02 04 00 01 00 02"));
        QCOMPARE(link->writeRegistersText(0x8000, QStringLiteral("65537,abc")), 0);   // low 16 bits; NaN is 0
        QCOMPARE(adapter.port(0).pdOut.left(4), hex("00 01 00 00"));
        QCOMPARE(link->writeRegistersText(0x8000, QStringLiteral(",,")), -1);
        QCOMPARE(adapter.log().size(), 2);   // nothing sent without parts

        quint16 v = 0;
        QCOMPARE(link->readRegister(0x1000, v), 0);   // an exception answer still counts as read
        QCOMPARE(adapter.log().last().answer.left(3), hex("01 83 02"));
    }

    void writeChecksEcho_data()
    {
        QTest::addColumn<WriteFault>("f");
        QTest::newRow("wrong echo") << WriteFault{true, 0, 0x8000};
        QTest::newRow("exception answer") << WriteFault{false, 0x04, 0x8000};
        QTest::newRow("address outside the map") << WriteFault{false, 0, 0x1000};
    }
    void writeChecksEcho()
    {
        QFETCH(WriteFault, f);
        adapter.faults().wrongEcho = f.wrongEcho;
        adapter.faults().exception = f.exception;
        QCOMPARE(link->writeRegister(f.address, 1), -1);
        QCOMPARE(link->writeRegisters(f.address, hex("00 01"), 1), -1);
        QCOMPARE(link->writeRegisterBlock(f.address, reinterpret_cast<const uchar *>(hex("00 01").constData()), 1), -1);
        if (f.address == 0x8000)
            QCOMPARE(link->writeIsduRequest(IsduRequestBlock()), -1);
        for (const auto &ex : adapter.log())   // each one was answered, and refused
            QVERIFY(!ex.answer.isEmpty());
    }

    void absentAdapterFailsAtOnce()
    {
        adapter.faults().absent = true;
        delete std::exchange(link, new myModbus);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("not plugged in"));
        QCOMPARE(link->openDevice(), -1);

        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        QByteArray out;
        unsigned char reply[65] = {};
        QCOMPARE(link->transfer(QByteArray(65, '\0'), reply), -1);
        QCOMPARE(link->readRegisters(0x9000, 1, out), -1);
        QCOMPARE(link->writeRegister(0x8000, 1), -1);
        QCOMPARE(link->writeIsduRequest(IsduRequestBlock()), -1);
        quint16 v = 0;
        QString text;
        const QList<int> rest{link->readRegister(0x9000, v), link->readRegistersText(0x9000, 1, text),
                              link->writeRegisters(0x8000, QByteArray(2, '\0'), 1),
                              link->writeRegisterBlock(0x8000, reply, 1), link->writeRegistersText(0x8000, "1")};
        QCOMPARE(rest, (QList<int>{-1, -1, -1, -1, -1}));
        QVERIFY(QDateTime::currentMSecsSinceEpoch() - start < 100);
        QVERIFY(adapter.log().isEmpty() && out.isEmpty());
    }

    void unpluggedAdapterFails()
    {
        adapter.faults().unplugged = true;
        QByteArray reply(65, char(0xAB));
        QCOMPARE(link->transfer(QByteArray(65, '\0'), reinterpret_cast<uchar *>(reply.data())), -1);
        QCOMPARE(reply, QByteArray(65, char(0xAB)));   // write failed: the reply is untouched
        QByteArray out;
        QCOMPARE(link->readRegisters(0x9000, 2, out), -1);
        QCOMPARE(out, QByteArray(4, '\0'));   // the zeroed data bytes are still handed back
        // Plugging it in again does not restore this link; a new open does.
        adapter.faults().unplugged = false;
        QCOMPARE(link->writeRegister(0x8000, 1), -1);
        myModbus fresh;
        QCOMPARE(fresh.openDevice(), 0);
        QCOMPARE(fresh.writeRegister(0x8000, 1), 0);
    }

    // A report the adapter takes only in part fails at once: no read, nothing reaches the adapter.
    void shortWriteFails()
    {
        for (const int taken : {0, 64}) {
            for (const bool busy : {false, true}) {
                adapter.clearLog();
                adapter.faults().shortWriteBytes = taken;
                link->busy = busy;
                QByteArray reply(65, char(0xAB));
                const QByteArray request = modbusframe::toReport(modbusframe::readRequest(0x9000, 1));
                const qint64 start = QDateTime::currentMSecsSinceEpoch();
                QCOMPARE(link->transfer(request, reinterpret_cast<uchar *>(reply.data())), -1);
                QCOMPARE(reply, QByteArray(65, char(0xAB)));
                QByteArray out;
                QCOMPARE(link->readRegistersChecked(0x9000, 1, out), -1);
                QCOMPARE(link->writeRegister(0x8000, 1), -1);
                QCOMPARE(link->writeIsduRequest(IsduRequestBlock::make(3, 1, 16, 0, 0)), -1);
                QVERIFY(QDateTime::currentMSecsSinceEpoch() - start < 500);
                QVERIFY(adapter.log().isEmpty() && adapter.isduRequestCount() == 0);
                QCOMPARE(adapter.port(0).pdOut.left(2), hex("00 00"));
                QCOMPARE(link->busy, busy);
            }
        }
        // The link itself is fine: whole reports go through again.
        adapter.faults().shortWriteBytes = -1;
        QCOMPARE(link->writeRegister(0x8000, 1), 0);
        QCOMPARE(adapter.log().size(), 1);
        QCOMPARE(adapter.port(0).pdOut.left(2), hex("00 01"));
    }

    void silentAdapterTimesOut()
    {
        adapter.faults().silent = true;
        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        QByteArray reply(65, char(0xAB));
        const QByteArray request = modbusframe::toReport(modbusframe::readRequest(0x9000, 1));
        QCOMPARE(link->transfer(request, reinterpret_cast<uchar *>(reply.data())), 0);
        const qint64 ms = QDateTime::currentMSecsSinceEpoch() - start;
        QVERIFY2(ms >= 950 && ms < 1500, qPrintable(QString::number(ms)));
        QCOMPARE(reply, QByteArray(65, '\0'));
        QCOMPARE(link->writeRegister(0x8000, 1), -1);   // fails through the echo check
    }

    void isduStatuses_data()
    {
        QTest::addColumn<IsduCase>("c");
        QTest::newRow("read vendor name") << IsduCase{hex("03 01 00 00 10 00 00"), -1, 0x00, "Vanto Systems"};
        QTest::newRow("port 9") << IsduCase{hex("03 09 00 00 10 00 00"), -1, 0x07, {}};
        QTest::newRow("DI port has no device") << IsduCase{hex("03 02 00 00 10 00 00"), -1, 0x06, {}};
        QTest::newRow("unknown index") << IsduCase{hex("03 01 00 03 e7 00 00"), -1, 0xFF, {}};
        QTest::newRow("length beyond block") << IsduCase{hex("02 01 00 00 18 00 22"), -1, 0x08, {}};
        QTest::newRow("expected length too short") << IsduCase{hex("03 01 00 00 10 00 02"), -1, 0x08, {}};
        QTest::newRow("service 7") << IsduCase{hex("07 01 00 00 10 00 00"), -1, 0x05, {}};
        QTest::newRow("forced status 2") << IsduCase{hex("03 01 00 00 12 00 00"), 0x02, 0x02, "IOL-GEN-1"};
        QTest::newRow("write tag") << IsduCase{hex("02 01 00 00 18 00 03 61 62 63"), -1, 0x00, {}};
    }
    void isduStatuses()
    {
        QFETCH(IsduCase, c);
        adapter.faults().forcedIsduStatus = c.forced;
        IsduRequestBlock block;
        std::memcpy(block.bytes, c.request.constData(), size_t(c.request.size()));
        QCOMPARE(link->writeIsduRequest(block), 0);
        QByteArray raw;
        QCOMPARE(link->readRegisters(0x3600, 20, raw), 0);
        const IsduResponseBlock response(raw);
        QCOMPARE(int(response.status()), c.status);
        QCOMPARE(response.data(), c.data);
        QCOMPARE(response.success(), c.status == 0 || c.status == 2);
        if (c.status == 0xFF)
            QCOMPARE(response.raw().mid(3, 2), hex("80 11"));   // index not available
    }

    void isduResponseBeforeProcessingIsBusy()
    {
        adapter.faults().isduLatencyMs = 300;
        QCOMPARE(link->writeIsduRequest(IsduRequestBlock::make(3, 1, 16, 0, 0)), 0);
        QByteArray early, later;
        QCOMPARE(link->readRegisters(0x3600, 20, early), 0);
        QCOMPARE(int(IsduResponseBlock(early).status()), 0x01);
        QTest::qWait(350);
        QCOMPARE(link->readRegisters(0x3600, 20, later), 0);
        QCOMPARE(IsduResponseBlock(later).data(), QByteArray("Vanto Systems"));
    }
};

QTEST_MAIN(tst_mymodbus)
#include "tst_mymodbus.moc"
