// The port-status monitor keeps the hub's active ports equal to the ports the
// virtual adapter reports in IO-Link operate.

#include "genericdevice.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "link/portstatusmonitor.h"
#include "virtualadapter.h"

#include <QSignalSpy>
#include <QtTest>

class tst_portstatusmonitor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void followsThePortModes();
    void skipsWhileBusy();
    void failedReadLeavesNoActivePort();
    void pollsEverySecond();

private:
    VirtualAdapter &adapter = VirtualAdapter::instance();
    common *hub = common::instance();
};

void tst_portstatusmonitor::initTestCase()
{
    if (!hub->modbus)
        hub->modbus = new myModbus;
}

void tst_portstatusmonitor::init()
{
    adapter.reset();
    hub->modbus->closeDevice();
    QCOMPARE(hub->modbus->openDevice(), 0);
    hub->activePorts.clear();
}

void tst_portstatusmonitor::followsThePortModes()
{
    GenericDevice::Identity id;
    id.vendorId = 1484;
    id.deviceId = 101101;
    adapter.setPort(1, VirtualAdapter::Mode::IoLinkStarting, std::make_unique<GenericDevice>(id));
    adapter.setPort(3, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>());
    adapter.setPort(4, VirtualAdapter::Mode::DigitalIn);

    portStatusMonitor monitor;
    QSignalSpy changed(&monitor, &portStatusMonitor::statesChanged);
    QCOMPARE(monitor.poll(), 0);
    QCOMPARE(hub->activePorts, QSet<int>({3}));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(monitor.states().at(1).mode, quint8(3));
    QCOMPARE(monitor.states().at(1).vendorId, quint16(1484));
    QCOMPARE(monitor.states().at(1).deviceId, quint32(101101));
    QCOMPARE(monitor.states().at(4).mode, quint8(1));

    // The device on Port2 comes up: it joins at the next poll.
    adapter.port(1).mode = VirtualAdapter::Mode::IoLinkOperate;
    QCOMPARE(monitor.poll(), 0);
    QCOMPARE(hub->activePorts, QSet<int>({1, 3}));
    // Port4 loses communication: it leaves.
    adapter.port(3).mode = VirtualAdapter::Mode::CommunicationLost;
    QCOMPARE(monitor.poll(), 0);
    QCOMPARE(hub->activePorts, QSet<int>({1}));
    QCOMPARE(changed.count(), 3);
    // Nothing changed: no signal.
    QCOMPARE(monitor.poll(), 0);
    QCOMPARE(changed.count(), 3);
}

void tst_portstatusmonitor::skipsWhileBusy()
{
    adapter.setPort(0, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>());
    portStatusMonitor monitor;
    hub->modbus->busy = true;
    adapter.clearLog();
    QCOMPARE(monitor.poll(), 1);
    QVERIFY(adapter.log().isEmpty());
    QVERIFY(hub->activePorts.isEmpty());
    hub->modbus->busy = false;
    QCOMPARE(monitor.poll(), 0);
    QCOMPARE(adapter.log().size(), 1);
    QCOMPARE(hub->activePorts, QSet<int>({0}));
}

void tst_portstatusmonitor::failedReadLeavesNoActivePort()
{
    adapter.setPort(0, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>());
    portStatusMonitor monitor;
    QCOMPARE(monitor.poll(), 0);
    QVERIFY(monitor.adapterAnswers());

    // An exception answer is not a status block.
    adapter.faults().exception = 0x04;
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

void tst_portstatusmonitor::pollsEverySecond()
{
    portStatusMonitor monitor;
    monitor.start();
    adapter.setPort(6, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>());
    QTRY_COMPARE_WITH_TIMEOUT(hub->activePorts, QSet<int>({6}), 2500);
    monitor.stop();
}

QTEST_MAIN(tst_portstatusmonitor)
#include "tst_portstatusmonitor.moc"
