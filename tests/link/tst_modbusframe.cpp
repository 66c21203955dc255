// Frame bytes and answer checks of the Modbus RTU layer, without transport.

#include "protocol/modbusframe.h"
#include "testhelpers.h"

#include <QtTest>

using testhelpers::hex;
static const unsigned char *bytes(const QByteArray &b)
{
    return reinterpret_cast<const unsigned char *>(b.constData());
}

class tst_modbusframe : public QObject
{
    Q_OBJECT

private slots:
    void crc_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("wire"); // the two CRC bytes as sent
        QTest::newRow("ascii 1..9") << QByteArray("123456789") << hex("37 4b");
        QTest::newRow("read 0x9000 x1") << hex("01 03 90 00 00 01") << hex("a9 0a");
        QTest::newRow("write 0x8000 = 1") << hex("01 10 80 00 00 01 02 00 01") << hex("e6 58");
        QTest::newRow("empty") << QByteArray() << hex("ff ff");
    }
    void crc()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, wire);
        const quint16 swapped = modbusframe::crc16(bytes(data), data.size());
        QCOMPARE(QByteArray().append(char(swapped >> 8)).append(char(swapped & 0xFF)), wire);
        QByteArray framed = data;
        modbusframe::appendCrc(framed);
        QCOMPARE(framed.right(2), wire);
        QVERIFY(data.isEmpty() || modbusframe::crcValid(framed));
        framed[0] = char(framed.at(0) ^ 0x01);
        QVERIFY(!modbusframe::crcValid(framed));
    }
    void reports_data()
    {
        QTest::addColumn<QByteArray>("report");
        QTest::addColumn<QByteArray>("expectedStart");
        QTest::newRow("read one register")
            << modbusframe::toReport(modbusframe::readRequest(0x9000, 1)) << hex("00 01 03 90 00 00 01 a9 0a");
        QTest::newRow("write one register") << modbusframe::toReport(modbusframe::writeRequest(0x8000, 1, hex("00 01")))
                                            << hex("00 01 10 80 00 00 01 02 00 01 e6 58");
        const QByteArray block(40, '\x11');
        QTest::newRow("isdu request block") << modbusframe::toReport(modbusframe::writeRequest(0x3500, 20, block))
                                            << (hex("00 01 10 35 00 00 14 28") + block);
    }
    void reports()
    {
        QFETCH(QByteArray, report);
        QFETCH(QByteArray, expectedStart);
        QCOMPARE(report.size(), 65);
        QCOMPARE(report.left(expectedStart.size()), expectedStart);
        const int frameEnd = expectedStart.size() + (expectedStart.size() > 20 ? 2 : 0);
        QCOMPARE(report.mid(frameEnd), QByteArray(65 - frameEnd, '\0'));
    }
    void writePadsMissingBytes()
    {
        // Three registers from four bytes: the last register goes out as 00 00.
        const QByteArray frame = modbusframe::writeRequest(0x8000, 3, hex("01 02 03 04"));
        QCOMPARE(frame.mid(6, 7), hex("06 01 02 03 04 00 00"));
        QVERIFY(modbusframe::crcValid(frame));
    }
    void echoCheck()
    {
        const QByteArray request = modbusframe::writeRequest(0x3500, 20, QByteArray(40, '\0'));
        QByteArray answer = request.left(6);
        modbusframe::appendCrc(answer);
        QVERIFY(modbusframe::echoMatches(request, bytes(answer)));
        QVERIFY(!modbusframe::echoMatches(request, bytes(QByteArray(8, '\0'))));   // a timed-out read
        QVERIFY(!modbusframe::echoMatches(request, bytes(hex("01 90 02 cd c1")))); // exception reply
        QVERIFY(!modbusframe::echoMatches(request, bytes(QByteArray(answer).replace(3, 1, "\x01")))); // other address
    }
};

QTEST_APPLESS_MAIN(tst_modbusframe)
#include "tst_modbusframe.moc"
