// A device's own events: the event qualifier's bit fields, the Detailed Device Status image (the virtual device's own
// is checked in tst_deviceevents), and the reader of indexes 36 and 37 on the virtual adapter.

#include "genericdevice.h"
#include "link/devicestatuspoller.h"
#include "simhelpers.h"
#include "testhelpers.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

using TestHelpers::hex;

class tst_devicestatuspoller : public QObject
{
    Q_OBJECT
    VirtualAdapter &m_adapter = VirtualAdapter::instance();
    LinkHub *m_hub = LinkHub::instance();

private slots:
    void init()
    {
        SimHelpers::freshAdapter();
        QVERIFY(SimHelpers::openHubLink());
        m_adapter.setPort(1, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        m_hub->setActivePorts({1});
    }

    void qualifierBits()
    {
        const auto fields = [](quint8 octet) {
            const EventQualifier q = EventQualifier::decode(octet);
            return QStringLiteral("%1 %2 %3 %4").arg(int(q.mode)).arg(int(q.type)).arg(q.fromMaster).arg(q.instance);
        };
        QCOMPARE(fields(0xE4), "3 2 0 4");        // appears, warning, device, application
        QCOMPARE(fields(0x54), "1 1 0 4");        // single shot, notification
        QCOMPARE(fields(0xB8), "2 3 1 0");        // disappears, error, master, unknown
        for (int octet = 0; octet < 256; ++octet) // every bit in exactly one field
            QCOMPARE(int(EventQualifier::decode(quint8(octet)).encode()), octet);
    }

    void detailedStatusImage()
    {
        // Empty slots left out wherever they are, a cut-off entry ignored; a
        // slot with only a code is not empty.
        const QVector<DeviceEventEntry> entries = decodeDetailedDeviceStatus(hex("000000 E44210 F48CA0 001234 F4 8C"));
        QCOMPARE(entries, (QVector<DeviceEventEntry>{{0xE4, 0x4210}, {0xF4, 0x8CA0}, {0x00, 0x1234}}));
    }

    // A device without index 37 still tells its status (tst_eventpage reads one with events).
    void readsStatusWithoutDetails()
    {
        DeviceStatusPoller poller(1);
        QSignalSpy read(&poller, &DeviceStatusPoller::statusRead);
        QVERIFY(poller.poll() == 0 && poller.poll() == 1); // one turn at a time
        QVERIFY(read.wait());
        const auto r = read.first().at(1).value<DeviceStatusReading>();
        QVERIFY(r.statusRead && !r.detailsRead && r.status == 0 && r.entries.isEmpty());
        QVERIFY(!poller.isPolling());
    }

    void leavesTheMailboxAlone()
    {
        const int before = m_adapter.isduRequestCount();
        m_hub->setActivePorts({2});
        QCOMPARE(DeviceStatusPoller(1).poll(), 1);
        QVERIFY(SimHelpers::linkIdle());
        QCOMPARE(m_adapter.isduRequestCount(), before);
    }

    // The page that owns the poller goes while its turn waits for the
    // mailbox: nothing of it is touched, nothing more is asked, and the link
    // serves the next user.
    void deletedDuringTheWait()
    {
        m_adapter.faults().isduLatencyMs = 150;
        QPointer<DeviceStatusPoller> poller = new DeviceStatusPoller(1);
        QSignalSpy read(poller.data(), &DeviceStatusPoller::statusRead);
        QCOMPARE(poller->poll(), 0);
        QTest::qWait(30);
        delete poller.data();
        QVERIFY(SimHelpers::linkIdle());
        QTest::qWait(200);
        QCOMPARE(read.count(), 0);
        QCOMPARE(m_adapter.isduRequestCount(), 1); // index 37 was never asked
        QVERIFY(SimHelpers::openHubLink());
    }
};

QTEST_MAIN(tst_devicestatuspoller)
#include "tst_devicestatuspoller.moc"
