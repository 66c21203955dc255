// A port's device identity from its direct parameter page 1: the cycle time
// code, and the mailbox read against the virtual adapter's answers; the ISDU
// exchange it is made with.

#include "genericdevice.h"
#include "link/directparameterpage.h"
#include "link/isduexchange.h"
#include "link/mymodbus.h"
#include "virtualadapter.h"

#include <QtTest>

using Mode = VirtualAdapter::Mode;
Q_DECLARE_METATYPE(DirectParameterRead)

class tst_directparameterpage : public QObject
{
    Q_OBJECT
    VirtualAdapter &adapter = VirtualAdapter::instance();
    myModbus *link = nullptr;

private slots:
    void init()
    {
        adapter.reset();
        adapter.faults().isduLatencyMs = 0;
        link = new myModbus;
        QCOMPARE(link->openDevice(), 0);
    }
    void cleanup() { delete link; }

    void cycleTimeCode_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("us");
        QTest::addColumn<QString>("text");
        QTest::newRow("base 0, 3 ms") << 0x1E << 3000 << "3.0 ms";
        QTest::newRow("base 0, largest") << 0x3F << 6300 << "6.3 ms";
        QTest::newRow("base 1, m 0") << 0x40 << 6400 << "6.4 ms";
        QTest::newRow("base 1, m 1") << 0x41 << 6800 << "6.8 ms";
        QTest::newRow("base 2, m 0") << 0x80 << 32000 << "32.0 ms";
        QTest::newRow("base 2, largest") << 0xBF << 132800 << "132.8 ms";
        QTest::newRow("base 3 reserved") << 0xC5 << -1 << "无效代码 0xc5";
    }
    void cycleTimeCode()
    {
        QFETCH(int, code);
        QFETCH(int, us);
        QFETCH(QString, text);
        QCOMPARE(cycleTimeUs(quint8(code)), us);
        QCOMPARE(cycleTimeText(quint8(code)), text);
    }

    void readFromThePort_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("latencyMs");
        QTest::addColumn<int>("forcedStatus");
        QTest::addColumn<DirectParameterRead>("result");
        const int operate = int(Mode::IoLinkOperate);
        QTest::newRow("device in operate") << operate << 0 << -1 << DirectParameterRead::Read;
        QTest::newRow("slow mailbox: polled while busy") << operate << 180 << -1 << DirectParameterRead::Read;
        QTest::newRow("mailbox busy beyond the wait") << operate << 2000 << -1 << DirectParameterRead::Unclear;
        QTest::newRow("no device in operate") << int(Mode::DigitalIn) << 0 << -1 << DirectParameterRead::NoDevice;
        QTest::newRow("device error") << operate << 0 << 0xFF << DirectParameterRead::Unclear;
        QTest::newRow("status 0x02 is success too") << operate << 0 << 0x02 << DirectParameterRead::Read;
    }
    void readFromThePort()
    {
        QFETCH(int, mode);
        QFETCH(int, latencyMs);
        QFETCH(int, forcedStatus);
        QFETCH(DirectParameterRead, result);
        GenericDevice::Identity id;
        id.vendorId = 0x05CC;
        id.deviceId = 0x018AED;
        adapter.setPort(5, Mode(mode), std::make_unique<GenericDevice>(id));
        adapter.faults().isduLatencyMs = latencyMs;
        adapter.faults().forcedIsduStatus = forcedStatus;
        QObject waiter;
        DirectParameters page;
        QCOMPARE(readDirectParameters(link, 5, &waiter, &page), result);
        QCOMPARE(adapter.isduRequest().left(7), QByteArray::fromHex("03060000000000")); // read, Port6, index 0/0
        if (result == DirectParameterRead::Read)
            QCOMPARE(QString("%1 %2 %3").arg(page.vendorId).arg(page.deviceId).arg(cycleTimeText(page.minCycleTime)),
                     QString("1484 101101 3.0 ms"));
    }

    void exchangeReportsDeviceErrorsAndRefusesForeignAnswers()
    {
        adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        adapter.faults().isduLatencyMs = 30;
        const IsduRequestBlock absentIndex = IsduRequestBlock::make(isduservice::read, 1, 999, 0, 0);
        IsduExchange x = exchangeIsdu(link, absentIndex, nullptr, 10, 200);
        QCOMPARE(int(x.outcome), int(IsduOutcome::Answered));
        QVERIFY(!x.succeeded());
        QCOMPARE(x.response.status(), isdustatus::deviceError);
        QCOMPARE(x.response.deviceError(), quint16(0x8011));

        // Another request takes the mailbox while this one waits: its answer is not taken.
        QTimer::singleShot(5, link,
                           [this] { link->writeIsduRequest(IsduRequestBlock::make(isduservice::read, 2, 0, 0, 0)); });
        x = exchangeIsdu(link, IsduRequestBlock::make(isduservice::read, 1, 16, 0, 0), nullptr, 10, 200);
        QCOMPARE(int(x.outcome), int(IsduOutcome::NotOurs));
    }

    void linkFailureAndVanishedWaiter()
    {
        adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        adapter.faults().isduLatencyMs = 1000;
        DirectParameters page;
        auto *waiter = new QObject;
        QTimer::singleShot(20, waiter, [waiter] { delete waiter; });
        QCOMPARE(readDirectParameters(link, 0, waiter, &page), DirectParameterRead::Gone);

        adapter.faults().unplugged = true;
        QObject alive;
        QCOMPARE(readDirectParameters(link, 0, &alive, &page), DirectParameterRead::NoAnswer);
    }
};

QTEST_MAIN(tst_directparameterpage)
#include "tst_directparameterpage.moc"
