// The link's commands against the virtual adapter: bytes across the hidapi seam, answer checks, failure paths.

#include "genericdevice.h"
#include "link/mymodbus.h"
#include "log/hub8log.h"
#include "log/linktracefile.h"
#include "protocol/modbusframe.h"
#include "testhelpers.h"
#include "virtualadapter.h"

#include <QSignalSpy>
#include <QtTest>

#include <cstring>

using testhelpers::hex;
static QByteArray padded(const QByteArray &start)
{
    return start + QByteArray(65 - start.size(), '\0');
}

// A fault that makes the adapter answer, but not with an answer to the request.
struct AnswerFault
{
    VirtualAdapter::Faults faults;
    quint16 address;
    bool readsRefused;
    int crcErrors, exception;
};
// request: service, port, 0, index, subindex, length, data; forced -1 leaves the status to the device.
struct IsduCase
{
    QByteArray request;
    int forced, status;
    QByteArray data;
};
Q_DECLARE_METATYPE(AnswerFault)
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
        QCOMPARE(out, QByteArray("x") + hex("00 01 00 02")); // appended, not replaced

        // Three registers from a four-byte array: the third goes out as zero.
        QCOMPARE(link->writeRegisters(0x8040, hex("0a 0b 0c 0d"), 3), 0);
        QCOMPARE(adapter.port(2).pdOut.left(6), hex("0a 0b 0c 0d 00 00"));
        adapter.clearLog();
        QCOMPARE(link->writeRegistersText(0x8000, QStringLiteral("1,,2,")), 0);
        QCOMPARE(adapter.log().at(0).request.mid(1, 11), hex("01 10 80 00 00 02 04 00 01 00 02"));
        QCOMPARE(link->writeRegistersText(0x8000, QStringLiteral("65537,abc")), 0); // low 16 bits; NaN is 0
        QCOMPARE(adapter.port(0).pdOut.left(4), hex("00 01 00 00"));
        QCOMPARE(link->writeRegistersText(0x8000, QStringLiteral(",,")), -1);
        QCOMPARE(adapter.log().size(), 2); // nothing sent without parts
    }

    // Answers that do not belong to their request count as no answer for every command.
    void refusedAnswers_data()
    {
        QTest::addColumn<AnswerFault>("f");
        VirtualAdapter::Faults echo, count, crc, exception;
        echo.wrongEcho = true;
        count.wrongCount = true;
        crc.badCrc = true;
        exception.exception = 0x04;
        QTest::newRow("write echo of another address") << AnswerFault{echo, 0x8000, false, 0, 0};
        QTest::newRow("another register or byte count") << AnswerFault{count, 0x8000, true, 0, 0};
        QTest::newRow("bad CRC") << AnswerFault{crc, 0x8000, true, 1, 0};
        QTest::newRow("exception 04") << AnswerFault{exception, 0x8000, true, 0, 0x04};
        QTest::newRow("address outside the map") << AnswerFault{{}, 0x1000, true, 0, 0x02};
    }
    void refusedAnswers()
    {
        QFETCH(AnswerFault, f);
        adapter.faults() = f.faults;
        adapter.faults().isduLatencyMs = 0;
        const auto expectWrite = [&](int rc, const char *what) {
            QVERIFY2(rc == -1, what);
            QCOMPARE(link->lastException(), f.exception);
        };
        expectWrite(link->writeRegister(f.address, 1), "writeRegister");
        expectWrite(link->writeRegisters(f.address, hex("00 01 00 02"), 2), "writeRegisters");
        expectWrite(link->writeRegisterBlock(f.address, reinterpret_cast<const uchar *>("\0\1"), 1), "block");
        expectWrite(link->writeRegistersText(f.address, QStringLiteral("1,2")), "writeRegistersText");
        if (f.address == 0x8000)
            expectWrite(link->writeIsduRequest(IsduRequestBlock::make(3, 1, 16, 0, 0)), "writeIsduRequest");

        const int expected = f.readsRefused ? -1 : 0;
        quint16 v = 0xBEEF;
        QByteArray appended("x"), replaced("y");
        QString text = QStringLiteral("z");
        QCOMPARE(link->readRegister(f.address, v), expected);
        QCOMPARE(link->readRegisters(f.address, 2, appended), expected);
        QCOMPARE(link->readRegistersChecked(f.address, 2, replaced), expected);
        QCOMPARE(link->readRegistersText(f.address, 2, text), expected);
        if (f.readsRefused) { // nothing of a refused answer is handed on
            QCOMPARE(v, quint16(0xBEEF));
            QCOMPARE(appended + replaced + text.toLatin1(), QByteArray("xy"));
        }
        QCOMPARE(link->lastException(), f.readsRefused ? f.exception : 0);

        const int exchanges = f.address == 0x8000 ? 9 : 8;
        QCOMPARE(adapter.log().size(), exchanges);
        for (const auto &ex : adapter.log()) // each one was answered
            QVERIFY(!ex.answer.isEmpty());
        const myModbus::Stats &st = link->stats();
        QCOMPARE(int(st.answers), exchanges);
        QCOMPARE(int(st.crcErrors), f.crcErrors * exchanges);
        QCOMPARE(int(st.exceptions), f.exception ? exchanges : 0);
        QVERIFY(link->isConnected() && link->lastAnswered() && !link->busy);
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
        quint16 v = 0;
        QString text;
        const QList<int> rcs{link->transfer(QByteArray(65, '\0'), reply),
                             link->readRegisters(0x9000, 1, out),
                             link->writeRegister(0x8000, 1),
                             link->writeIsduRequest(IsduRequestBlock()),
                             link->readRegister(0x9000, v),
                             link->readRegistersText(0x9000, 1, text),
                             link->writeRegisters(0x8000, QByteArray(2, '\0'), 1),
                             link->writeRegisterBlock(0x8000, reply, 1),
                             link->writeRegistersText(0x8000, "1")};
        QCOMPARE(rcs, QVector<int>(9, -1).toList());
        QVERIFY(QDateTime::currentMSecsSinceEpoch() - start < 100);
        QVERIFY(adapter.log().isEmpty() && out.isEmpty());
    }

    void unpluggedAdapterFails_data()
    {
        QTest::addColumn<bool>("betweenWriteAndRead");
        QTest::newRow("before the write") << false;
        QTest::newRow("between write and read") << true;
    }
    void unpluggedAdapterFails()
    {
        QFETCH(bool, betweenWriteAndRead);
        QSignalSpy connection(link, &myModbus::connectionChanged);
        link->busy = true;
        if (betweenWriteAndRead) {
            adapter.faults().unplugAfterWrite = true;
            QCOMPARE(link->writeIsduRequest(IsduRequestBlock::make(3, 1, 16, 0, 0)), -1);
            QCOMPARE(adapter.log().size(), 1); // the request got there and was answered
            QVERIFY(!adapter.log().at(0).answer.isEmpty() && adapter.isduRequestCount() == 1);
            QVERIFY(adapter.faults().unplugged);
        } else {
            adapter.faults().unplugged = true;
            QByteArray reply(65, char(0xAB));
            QCOMPARE(link->transfer(QByteArray(65, '\0'), reinterpret_cast<uchar *>(reply.data())), -1);
            QCOMPARE(reply, QByteArray(65, char(0xAB))); // write failed: the reply is untouched
        }
        QCOMPARE(QList<QVariantList>(connection), QList<QVariantList>{{false}});
        QVERIFY(link->isOpen() && !link->isConnected() && link->busy);

        // Later commands fail at once on the dead handle and reach nothing.
        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        QByteArray out;
        QCOMPARE(link->readRegisters(0x9000, 2, out), -1);
        QCOMPARE(link->writeRegister(0x8000, 1), -1);
        QVERIFY(out.isEmpty() && QDateTime::currentMSecsSinceEpoch() - start < 100);
        QCOMPARE(adapter.log().size(), betweenWriteAndRead ? 1 : 0);
        QCOMPARE(int(link->stats().failures), 3);

        // Plugging it in again does not restore the handle; opening it again does.
        adapter.faults().unplugged = false;
        QCOMPARE(link->writeRegister(0x8000, 1), -1);
        QCOMPARE(link->openDevice(), 0);
        QCOMPARE(link->writeRegister(0x8000, 1), 0);
        QCOMPARE(QList<QVariantList>(connection), (QList<QVariantList>{{false}, {true}}));
        link->busy = false;
    }

    // The read fails after the adapter took the request: no answer, and the
    // answer still queued does not end up as the next exchange's.
    void readFailsAfterGoodWrite()
    {
        QSignalSpy connection(link, &myModbus::connectionChanged);
        adapter.faults().readErrorAfterWrite = true;
        QByteArray reply(65, char(0xAB));
        const QByteArray request = modbusframe::toReport(modbusframe::writeRequest(0x8000, 1, hex("00 05")));
        QCOMPARE(link->transfer(request, reinterpret_cast<uchar *>(reply.data())), -1);
        QCOMPARE(link->writeRegister(0x8000, 6), -1);
        QCOMPARE(adapter.port(0).pdOut.left(2), hex("00 06")); // the adapter did take it
        QCOMPARE(adapter.log().size(), 2);
        QVERIFY(!link->isConnected() && !link->lastAnswered() && !link->busy);
        QCOMPARE(int(link->stats().failures), 2);

        adapter.faults().readErrorAfterWrite = false;
        quint16 v = 0;
        QCOMPARE(link->readRegister(0x8000, v), 0);
        QCOMPARE(v, quint16(6));
        QCOMPARE(int(link->stats().droppedStale), 2); // both echoes, dropped before the read
        QCOMPARE(adapter.log().last().request, padded(hex("00 01 03 80 00 00 01 ad ca")));
        QVERIFY(link->isConnected());
        QCOMPARE(QList<QVariantList>(connection), (QList<QVariantList>{{false}, {true}}));
    }

    // An answer that comes after its read gave up is dropped before the next
    // request; otherwise it would pass for that request's answer (all ISDU
    // request writes echo the same six octets) and shift every later one.
    void staleAnswerIsDropped_data()
    {
        QTest::addColumn<bool>("lateEcho");
        QTest::newRow("late echo of a request write") << true;
        QTest::newRow("late answer of a response read") << false;
    }
    void staleAnswerIsDropped()
    {
        QFETCH(bool, lateEcho);
        const auto vendorName = IsduRequestBlock::make(3, 1, 16, 0, 0);
        const auto productName = IsduRequestBlock::make(3, 1, 18, 0, 0);
        QByteArray response;
        if (!lateEcho)
            QCOMPARE(link->writeIsduRequest(vendorName), 0);
        adapter.faults().lateAnswerMs = 1300;
        QCOMPARE(lateEcho ? link->writeIsduRequest(vendorName) : link->readRegisters(0x3600, 20, response), -1);
        QVERIFY(response.isEmpty() && !link->busy && link->isConnected());
        adapter.faults().lateAnswerMs = 0;
        QTest::qWait(400); // the late answer is in the queue now

        QCOMPARE(link->writeIsduRequest(productName), 0);
        QCOMPARE(link->readRegisters(0x3600, 20, response), 0);
        QCOMPARE(IsduResponseBlock(response).data(), QByteArray("IOL-GEN-1"));
        const myModbus::Stats &st = link->stats();
        QCOMPARE(int(st.droppedStale), 1);
        QCOMPARE(int(st.timeouts), 1);
        QCOMPARE(int(st.answers), lateEcho ? 2 : 3);
        QCOMPARE(adapter.log().size(), lateEcho ? 3 : 4);
        for (const auto &ex : adapter.log())
            QVERIFY(!ex.answer.isEmpty());
    }

    // --log: timestamped link lines and hex dumps in the file; hid_error's text
    // only where a call failed.
    void traceFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("trace.txt"));
        {
            LinkTraceFile trace;
            QString error;
            QVERIFY(!trace.open(dir.filePath(QStringLiteral("no/such/dir/x.txt")), &error));
            QVERIFY(error.contains(QStringLiteral("cannot write")));
            QVERIFY2(trace.open(path, &error), qPrintable(error));
            QVERIFY(!LinkTraceFile().open(dir.filePath(QStringLiteral("second.txt"))));
            QVERIFY(lcLinkRaw().isDebugEnabled());
            QCOMPARE(link->openDevice(), 0);
            QByteArray out;
            QCOMPARE(link->readRegisters(0x9000, 1, out), 0);
            adapter.faults().unplugged = true;
            QCOMPARE(link->readRegisters(0x9000, 1, out), -1);
        }
        QVERIFY(!lcLinkRaw().isDebugEnabled()); // back as the rules say
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        const QRegularExpression stamp(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3} hub8\\.link"));
        for (const QString &line : lines)
            QVERIFY2(stamp.match(line).hasMatch(), qPrintable(line));
        const QString all = lines.join('\n');
        QVERIFY(all.contains(QStringLiteral("hub8.link.raw: read request: 00 01 03 90 00 00 01 a9 0a")));
        QVERIFY(
            all.contains(QStringLiteral("hub8.link: hid_read_timeout failed: hid_read_timeout: device disconnected")));
        QVERIFY2(!all.contains(QStringLiteral("Success")), qPrintable(all));
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
        QCOMPARE(link->writeRegister(0x8000, 1), -1); // fails through the echo check
    }

    void isduStatuses_data()
    {
        QTest::addColumn<IsduCase>("c");
        QTest::newRow("read vendor name") << IsduCase{hex("03 01 00 00 10 00 00"), -1, 0x00, "Vanto Systems"};
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
    }
};

QTEST_MAIN(tst_mymodbus)
#include "tst_mymodbus.moc"
