// The port-status monitor keeps the hub's active ports equal to the ports the
// virtual adapter reports in IO-Link operate.

#include "genericdevice.h"
#include "link/common.h"
#include "link/linkreconnector.h"
#include "link/mymodbus.h"
#include "link/portstatusmonitor.h"
#include "virtualadapter.h"

#include <QSignalSpy>
#include <QtTest>

class tst_portstatusmonitor : public QObject
{
    Q_OBJECT
    VirtualAdapter &adapter = VirtualAdapter::instance();
    common *hub = common::instance();

private slots:
    void init()
    {
        if (!hub->modbus)
            hub->modbus = new myModbus;
        adapter.reset();
        hub->modbus->closeDevice();
        QCOMPARE(hub->modbus->openDevice(), 0);
        hub->activePorts.clear();
    }

    void followsThePortModes()
    {
        GenericDevice::Identity id;
        id.vendorId = 1484;
        id.deviceId = 101101;
        adapter.setPort(1, VirtualAdapter::Mode::IoLinkStarting, std::make_unique<GenericDevice>(id));
        adapter.setPort(3, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        portStatusMonitor monitor;
        QSignalSpy changed(&monitor, &portStatusMonitor::statesChanged);
        QCOMPARE(monitor.poll(), 0);
        QCOMPARE(hub->activePorts, QSet<int>({3}));
        const PortState starting = monitor.states().at(1);
        QCOMPARE(QString("%1 %2 %3").arg(starting.mode).arg(starting.vendorId).arg(starting.deviceId), "3 1484 101101");

        adapter.port(1).mode = VirtualAdapter::Mode::IoLinkOperate; // joins at the next poll
        QCOMPARE(monitor.poll(), 0);
        QCOMPARE(hub->activePorts, QSet<int>({1, 3}));
        adapter.port(3).mode = VirtualAdapter::Mode::CommunicationLost; // leaves
        QCOMPARE(monitor.poll(), 0);
        QCOMPARE(hub->activePorts, QSet<int>({1}));
        QCOMPARE(monitor.poll(), 0);
        QCOMPARE(changed.count(), 3); // no signal when nothing changed
    }

    void skipsWhileBusyAndDropsPortsOnFailedRead()
    {
        adapter.setPort(0, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        portStatusMonitor monitor;
        hub->modbus->busy = true;
        QCOMPARE(monitor.poll(), 1);
        QVERIFY(adapter.log().isEmpty());
        QVERIFY(hub->activePorts.isEmpty());
        hub->modbus->busy = false;
        QCOMPARE(monitor.poll(), 0);
        QCOMPARE(hub->activePorts, QSet<int>({0}));
        QVERIFY(monitor.adapterAnswers());

        adapter.faults().exception = 0x04; // an exception answer is not a status block
        QCOMPARE(monitor.poll(), -1);
        QVERIFY(hub->activePorts.isEmpty());
        QVERIFY(!monitor.adapterAnswers());
        adapter.faults().exception = 0;
        QCOMPARE(monitor.poll(), 0);
        QCOMPARE(hub->activePorts, QSet<int>({0}));
        adapter.faults().unplugged = true;
        QCOMPARE(monitor.poll(), -1);
        QVERIFY(hub->activePorts.isEmpty());
    }

    // Each poll the adapter leaves unanswered doubles the wait up to 30 s; an
    // answer, even a refused one, and a failure that cost no time do not.
    void backsOffWhileSilent()
    {
        adapter.setPort(2, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        portStatusMonitor monitor;
        QCOMPARE(monitor.currentIntervalMs(), 1000);
        adapter.faults().silent = true;
        QList<int> intervals;
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(monitor.poll(), -1);
            intervals << monitor.currentIntervalMs();
        }
        QCOMPARE(intervals, (QList<int>{2000, 4000, 8000, 16000, 30000, 30000}));
        QVERIFY(monitor.adapterSilent() && hub->activePorts.isEmpty());
        hub->modbus->busy = true; // a skipped poll learns nothing
        QCOMPARE(monitor.poll(), 1);
        QCOMPARE(monitor.currentIntervalMs(), 30000);
        hub->modbus->busy = false;

        adapter.faults().silent = false;
        QCOMPARE(monitor.poll(), 0);
        QCOMPARE(monitor.currentIntervalMs(), 1000);
        QVERIFY(!monitor.adapterSilent() && hub->activePorts == QSet<int>({2}));

        adapter.faults().silent = true;
        QCOMPARE(monitor.poll(), -1);
        adapter.faults() = {};
        adapter.faults().exception = 0x04;
        QCOMPARE(monitor.poll(), -1);
        QCOMPARE(monitor.currentIntervalMs(), 1000);
        adapter.faults() = {};
        adapter.faults().unplugged = true;
        QCOMPARE(monitor.poll(), -1);
        QCOMPARE(monitor.currentIntervalMs(), 1000);
        QVERIFY(!monitor.adapterSilent());
    }

    // After an unplug the reconnector opens the adapter again once it is back
    // (not while a page holds the link), and the next poll has the ports again.
    void reconnectsAfterUnplug()
    {
        adapter.setPort(5, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        portStatusMonitor monitor;
        LinkReconnector reconnector(hub->modbus);
        QSignalSpy reconnected(&reconnector, &LinkReconnector::reconnected);
        QCOMPARE(monitor.poll(), 0);
        QVERIFY(!reconnector.retrying());
        const QVector<PortState> before = monitor.states();

        adapter.faults().unplugged = true;
        QCOMPARE(monitor.poll(), -1);
        QVERIFY(!hub->modbus->isConnected() && reconnector.retrying() && hub->activePorts.isEmpty());
        QCOMPARE(reconnector.attempt(), -1); // still unplugged
        adapter.faults().unplugged = false;
        hub->modbus->busy = true;
        QCOMPARE(reconnector.attempt(), 1);
        hub->modbus->busy = false;
        QVERIFY(reconnected.isEmpty());

        QTRY_COMPARE_WITH_TIMEOUT(reconnected.size(), 1, LinkReconnector::retryIntervalMs + 1000);
        QVERIFY(hub->modbus->isConnected() && !reconnector.retrying());
        QCOMPARE(monitor.poll(), 0);
        QCOMPARE(monitor.states(), before);
        QCOMPARE(hub->activePorts, QSet<int>({5}));
    }
};

QTEST_MAIN(tst_portstatusmonitor)
#include "tst_portstatusmonitor.moc"
