// The link's commands against the virtual adapter: the bytes that cross the
// hidapi seam, the answer checks and the failure paths.

#include "genericdevice.h"
#include "link/modbusframe.h"
#include "link/mymodbus.h"
#include "virtualadapter.h"

#include <QElapsedTimer>
#include <QtTest>

#include <cstring>

namespace {
QByteArray hex(const char *s)
{
    return QByteArray::fromHex(QByteArray(s).replace(' ', ""));
}
QByteArray padded(const QByteArray &start)
{
    return start + QByteArray(65 - start.size(), '\0');
}
} // namespace

class tst_mymodbus : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void reportsOnTheWire();
    void readCommandsDecodeAnswers();
    void writeRegistersTextSkipsEmptyParts();
    void writeChecksEcho_data();
    void writeChecksEcho();
    void readWithExceptionAnswer();
    void absentAdapterFailsAtOnce();
    void unpluggedAdapterFails();
    void silentAdapterTimesOut();
    void isduStatuses_data();
    void isduStatuses();
    void isduResponseBeforeProcessingIsBusy();

private:
    QByteArray isduExchange(IsduRequestBlock block);

    VirtualAdapter &adapter = VirtualAdapter::instance();
    myModbus *link = nullptr;
};

void tst_mymodbus::init()
{
    adapter.reset();
    adapter.faults().isduLatencyMs = 0;
    adapter.setPort(0, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>());
    adapter.setPort(1, VirtualAdapter::Mode::DigitalIn);
    link = new myModbus;
    QCOMPARE(link->openDevice(), 0);
}

void tst_mymodbus::cleanup()
{
    delete link;
    link = nullptr;
}

void tst_mymodbus::reportsOnTheWire()
{
    QCOMPARE(link->writeRegister(0x8000, 1), 0);
    quint16 v = 0xFFFF;
    QCOMPARE(link->readRegister(0x9000, v), 0);
    QCOMPARE(adapter.log().size(), 2);
    QCOMPARE(adapter.log().at(0).request, padded(hex("00 01 10 80 00 00 01 02 00 01 e6 58")));
    QCOMPARE(adapter.log().at(1).request, padded(hex("00 01 03 90 00 00 01 a9 0a")));

    IsduRequestBlock block = IsduRequestBlock::make(0x03, 1, 0x1234, 5, 0);
    QCOMPARE(link->writeIsduRequest(block), 0);
    const QByteArray isdu = adapter.log().last().request;
    QCOMPARE(isdu.left(8), hex("00 01 10 35 00 00 14 28"));
    QCOMPARE(isdu.mid(8, 40), block.toByteArray());
    QCOMPARE(isdu.mid(8, 7), hex("03 01 00 12 34 05 00"));
}

void tst_mymodbus::readCommandsDecodeAnswers()
{
    QCOMPARE(link->writeRegisterBlock(0x8020, reinterpret_cast<const unsigned char *>("\x00\x01\x00\x02\x01\x2c"), 3),
             0);
    QString text = QStringLiteral("stale");
    QCOMPARE(link->readRegistersText(0x8020, 3, text), 0);
    QCOMPARE(text, QStringLiteral("1,2,300"));

    QByteArray out("x");
    QCOMPARE(link->readRegisters(0x8020, 2, out), 0);
    QCOMPARE(out, QByteArray("x") + hex("00 01 00 02"));   // appended, not replaced

    // Three registers from a four-byte array: the third goes out as zero.
    QCOMPARE(link->writeRegisters(0x8040, hex("0a 0b 0c 0d"), 3), 0);
    QCOMPARE(adapter.port(2).pdOut.left(6), hex("0a 0b 0c 0d 00 00"));
    QCOMPARE(link->writeRegisters(0x8040, hex("01 02"), 0), -1);
    QCOMPARE(link->writeRegisterBlock(0x8040, nullptr, 0), -1);
}

void tst_mymodbus::writeRegistersTextSkipsEmptyParts()
{
    adapter.clearLog();
    QCOMPARE(link->writeRegistersText(0x8000, QStringLiteral("1,,2,")), 0);
    QCOMPARE(adapter.log().size(), 1);
    QCOMPARE(adapter.log().at(0).request.mid(1, 11), hex("01 10 80 00 00 02 04 00 01 00 02"));
    // 16 bits kept, not-a-number is 0
    QCOMPARE(link->writeRegistersText(0x8000, QStringLiteral("65537,abc")), 0);
    QCOMPARE(adapter.port(0).pdOut.left(4), hex("00 01 00 00"));
    QCOMPARE(link->writeRegistersText(0x8000, QStringLiteral(",,")), -1);
    QCOMPARE(adapter.log().size(), 2);   // nothing sent without parts
}

void tst_mymodbus::writeChecksEcho_data()
{
    QTest::addColumn<int>("fault");
    QTest::newRow("wrong echo") << 0;
    QTest::newRow("exception answer") << 1;
    QTest::newRow("address outside the map") << 2;
}

void tst_mymodbus::writeChecksEcho()
{
    QFETCH(int, fault);
    quint16 address = 0x8000;
    if (fault == 0)
        adapter.faults().wrongEcho = true;
    else if (fault == 1)
        adapter.faults().exception = 0x04;
    else
        address = 0x1000;
    const unsigned char data[2] = {0, 1};
    QCOMPARE(link->writeRegister(address, 1), -1);
    QCOMPARE(link->writeRegisters(address, hex("00 01"), 1), -1);
    QCOMPARE(link->writeRegisterBlock(address, data, 1), -1);
    QCOMPARE(link->writeRegistersText(address, QStringLiteral("1")), -1);
    if (fault != 2)
        QCOMPARE(link->writeIsduRequest(IsduRequestBlock()), -1);
    // every one of them reached the adapter and got an answer
    for (const auto &ex : adapter.log())
        QVERIFY(!ex.answer.isEmpty());
}

void tst_mymodbus::readWithExceptionAnswer()
{
    // A read answered by an exception succeeds; the data is what the answer holds.
    quint16 v = 0;
    QCOMPARE(link->readRegister(0x1000, v), 0);
    QCOMPARE(adapter.log().last().answer.left(3), hex("01 83 02"));
    QByteArray out;
    QCOMPARE(link->readRegisters(0x1000, 2, out), 0);
    QCOMPARE(out.size(), 4);
}

void tst_mymodbus::absentAdapterFailsAtOnce()
{
    delete link;
    adapter.faults().absent = true;
    link = new myModbus;
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("not plugged in"));
    QCOMPARE(link->openDevice(), -1);
    QVERIFY(!link->isOpen());
    adapter.clearLog();

    QElapsedTimer t;
    t.start();
    quint16 v = 7;
    QByteArray out;
    QString text;
    unsigned char reply[65];
    QCOMPARE(link->transfer(QByteArray(65, '\0'), reply), -1);
    QCOMPARE(link->readRegister(0x9000, v), -1);
    QCOMPARE(link->readRegisters(0x9000, 1, out), -1);
    QCOMPARE(link->readRegistersText(0x9000, 1, text), -1);
    QCOMPARE(link->writeRegister(0x8000, 1), -1);
    QCOMPARE(link->writeRegisters(0x8000, hex("00 01"), 1), -1);
    QCOMPARE(link->writeRegisterBlock(0x8000, reply, 1), -1);
    QCOMPARE(link->writeRegistersText(0x8000, QStringLiteral("1")), -1);
    QCOMPARE(link->writeIsduRequest(IsduRequestBlock()), -1);
    QVERIFY(t.elapsed() < 100);
    QVERIFY(adapter.log().isEmpty());
    QVERIFY(out.isEmpty());
    QCOMPARE(link->closeDevice(), 0);
}

void tst_mymodbus::unpluggedAdapterFails()
{
    adapter.faults().unplugged = true;
    unsigned char reply[65];
    std::memset(reply, 0xAB, sizeof reply);
    QCOMPARE(link->transfer(QByteArray(65, '\0'), reply), -1);
    QCOMPARE(reply[0], 0xAB);   // write failed: the reply is untouched
    QCOMPARE(link->writeRegister(0x8000, 1), -1);
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

void tst_mymodbus::silentAdapterTimesOut()
{
    adapter.faults().silent = true;
    QElapsedTimer t;
    t.start();
    unsigned char reply[65];
    std::memset(reply, 0xAB, sizeof reply);
    QCOMPARE(link->transfer(modbusframe::toReport(modbusframe::readRequest(0x9000, 1)), reply), 0);
    const qint64 ms = t.elapsed();
    QVERIFY2(ms >= 950 && ms < 1500, qPrintable(QString::number(ms)));
    QCOMPARE(QByteArray(reinterpret_cast<char *>(reply), 65), QByteArray(65, '\0'));
    // A write then fails through the echo check (one more second).
    QCOMPARE(link->writeRegister(0x8000, 1), -1);
}

QByteArray tst_mymodbus::isduExchange(IsduRequestBlock block)
{
    if (link->writeIsduRequest(block) != 0)
        return QByteArray();
    QByteArray response;
    if (link->readRegisters(0x3600, 20, response) != 0)
        return QByteArray();
    return response;
}

void tst_mymodbus::isduStatuses_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("forced");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("data");
    auto block = [](quint8 service, quint8 port, quint16 index, quint8 sub, quint8 len, QByteArray data = {}) {
        IsduRequestBlock b = IsduRequestBlock::make(service, port, index, sub, len);
        for (int i = 0; i < data.size(); ++i)
            b.data()[i] = quint8(data.at(i));
        return b.toByteArray();
    };
    QTest::newRow("read vendor name") << block(3, 1, 16, 0, 0) << -1 << 0x00 << QByteArray("Vanto Systems");
    QTest::newRow("port 0") << block(3, 0, 16, 0, 0) << -1 << 0x07 << QByteArray();
    QTest::newRow("port 9") << block(3, 9, 16, 0, 0) << -1 << 0x07 << QByteArray();
    QTest::newRow("DI port has no device") << block(3, 2, 16, 0, 0) << -1 << 0x06 << QByteArray();
    QTest::newRow("empty port") << block(3, 5, 16, 0, 0) << -1 << 0x06 << QByteArray();
    QTest::newRow("unknown index") << block(3, 1, 999, 0, 0) << -1 << 0xFF << QByteArray();
    QTest::newRow("length beyond block") << block(2, 1, 24, 0, 34) << -1 << 0x08 << QByteArray();
    QTest::newRow("expected length too short") << block(3, 1, 16, 0, 2) << -1 << 0x08 << QByteArray();
    QTest::newRow("service 7") << block(7, 1, 16, 0, 0) << -1 << 0x05 << QByteArray();
    QTest::newRow("forced status 2") << block(3, 1, 18, 0, 0) << 0x02 << 0x02 << QByteArray("IOL-GEN-1");
    QTest::newRow("write tag") << block(2, 1, 24, 0, 3, "abc") << -1 << 0x00 << QByteArray();
}

void tst_mymodbus::isduStatuses()
{
    QFETCH(QByteArray, request);
    QFETCH(int, forced);
    QFETCH(int, status);
    QFETCH(QByteArray, data);
    adapter.faults().forcedIsduStatus = forced;
    IsduRequestBlock block;
    std::memcpy(block.bytes, request.constData(), 40);
    const IsduResponseBlock response(isduExchange(block));
    QCOMPARE(response.raw().size(), 40);
    QCOMPARE(int(response.status()), status);
    QCOMPARE(response.data(), data);
    QCOMPARE(response.success(), status == 0 || status == 2);
    if (status == 0xFF)
        QCOMPARE(response.raw().mid(3, 2), hex("80 11"));   // index not available
}

void tst_mymodbus::isduResponseBeforeProcessingIsBusy()
{
    adapter.faults().isduLatencyMs = 300;
    const IsduResponseBlock early(isduExchange(IsduRequestBlock::make(3, 1, 16, 0, 0)));
    QCOMPARE(int(early.status()), 0x01);
    QCOMPARE(isduStatusText(early.status()), QStringLiteral("主站忙，指令冲突"));
    QTest::qWait(350);
    QByteArray late;
    QCOMPARE(link->readRegisters(0x3600, 20, late), 0);
    QCOMPARE(IsduResponseBlock(late).data(), QByteArray("Vanto Systems"));
}

QTEST_MAIN(tst_mymodbus)
#include "tst_mymodbus.moc"
