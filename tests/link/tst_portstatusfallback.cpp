// An adapter without the port-status block: the monitor stops asking for it
// after exception 02 and learns the ports from their devices instead.

#include "genericdevice.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "link/portstatusmonitor.h"
#include "virtualadapter.h"

#include <QtTest>

using Mode = VirtualAdapter::Mode;

class tst_portstatusfallback : public QObject
{
    Q_OBJECT
    VirtualAdapter &adapter = VirtualAdapter::instance();
    common *hub = common::instance();

    // What the tool asked since the log was cleared: "block" for a status-block
    // read, the port number for an ISDU request; response reads are left out.
    QString asked() const
    {
        QStringList out;
        for (const VirtualAdapter::Exchange &x : adapter.log()) {
            const QByteArray head = x.request.mid(1, 4).toHex();
            if (head == "01033000")
                out << "block";
            else if (head == "01103500")
                out << QString::number(quint8(x.request.at(9)));
        }
        return out.join(' ');
    }

private slots:
    void init()
    {
        adapter.reset();
        adapter.faults().isduLatencyMs = 0;
        adapter.setPortStatusBlock(false);
        adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        adapter.setPort(1, Mode::IoLinkOperate, std::make_unique<GenericDevice>(GenericDevice::Identity{1484, 101101}));
        adapter.setPort(2, Mode::DigitalIn);
        adapter.setPort(3, Mode::IoLinkStarting, std::make_unique<GenericDevice>());
        adapter.setPort(5, Mode::CommunicationLost, std::make_unique<GenericDevice>());
        if (!hub->modbus)
            hub->modbus = new myModbus;
        hub->modbus->closeDevice();
        QCOMPARE(hub->modbus->openDevice(), 0);
        hub->modbus->busy = false;
    }

    void learnsAllPortsOnceTheBlockIsRefused()
    {
        portStatusMonitor monitor;
        QCOMPARE(monitor.poll(), 0);
        QVERIFY(!monitor.statusBlockServed() && monitor.adapterAnswers());
        QCOMPARE(asked(), QString("block 1 2 3 4 5 6 7 8"));
        QCOMPARE(hub->activePorts, QSet<int>({0, 1}));
        const PortState one = monitor.states().at(1);
        QCOMPARE(QString("%1 %2 %3").arg(one.mode).arg(one.vendorId).arg(one.deviceId), QString("4 1484 101101"));
        for (int p : {2, 3, 4, 5, 6, 7}) // DI, starting, lost and off alike: no device in operate
            QVERIFY(monitor.states().at(p) == PortState{PortState::modeUnknown});

        // The timer's turns read nothing; a click reads that port only.
        adapter.clearLog();
        QCOMPARE(monitor.poll(), 1);
        adapter.port(3).mode = Mode::IoLinkOperate;
        QCOMPARE(monitor.refreshPort(3), 0);
        QCOMPARE(asked(), QString("4"));
        QCOMPARE(hub->activePorts, QSet<int>({0, 1, 3}));
    }

    void pagesAskForAPortAgain()
    {
        portStatusMonitor monitor;
        QCOMPARE(monitor.poll(), 0);
        adapter.setPort(1, Mode::Deactivated); // the device was unplugged from Port2
        adapter.clearLog();
        portStatusMonitor::relearn(1);
        portStatusMonitor::relearn(42); // not a port: ignored
        hub->modbus->busy = true;       // a page is still at work: wait for the next turn
        QCOMPARE(monitor.poll(), 1);
        hub->modbus->busy = false;
        QCOMPARE(monitor.poll(), 0);
        QCOMPARE(monitor.poll(), 1); // the request was used up
        QCOMPARE(asked(), QString("2"));
        QCOMPARE(hub->activePorts, QSet<int>({0}));

        // A silent adapter: nothing is active until it answers, then every port is read again.
        adapter.faults().silent = true;
        portStatusMonitor::relearn(0);
        QCOMPARE(monitor.poll(), -1);
        QVERIFY(!monitor.adapterAnswers() && hub->activePorts.isEmpty());
        adapter.faults().silent = false;
        adapter.clearLog();
        QCOMPARE(monitor.poll(), 0);
        QCOMPARE(asked(), QString("1 2 3 4 5 6 7 8"));
        QCOMPARE(hub->activePorts, QSet<int>({0}));
    }

    void otherFailuresKeepTheBlock()
    {
        adapter.setPortStatusBlock(true);
        portStatusMonitor monitor;
        adapter.faults().exception = 0x04;
        QCOMPARE(monitor.poll(), -1);
        adapter.faults().exception = 0;
        QCOMPARE(monitor.poll(), 0);
        QVERIFY(monitor.statusBlockServed());
        QCOMPARE(asked(), QString("block block"));
    }
};

QTEST_MAIN(tst_portstatusfallback)
#include "tst_portstatusfallback.moc"
