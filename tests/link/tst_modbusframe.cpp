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
