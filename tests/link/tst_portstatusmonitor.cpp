// The port-status monitor keeps the hub's active ports equal to the ports in IO-Link operate: from the adapter's
// status block, or, on an adapter without one (exception 02), from the devices' direct parameter pages.

#include "genericdevice.h"
#include "link/linkreconnector.h"
#include "link/portstatusmonitor.h"
#include "simhelpers.h"

#include <QSignalSpy>
#include <QtTest>

using Mode = VirtualAdapter::Mode;

class tst_portstatusmonitor : public QObject
{
    Q_OBJECT
    VirtualAdapter &adapter = VirtualAdapter::instance();
    common *hub = common::instance();

    // What the tool asked since the log was cleared: "block" for a status-block read, the port number for an
    // ISDU request; response reads are left out.
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
    void withoutStatusBlock()
    {
        adapter.setPortStatusBlock(false);
        adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        adapter.setPort(1, Mode::IoLinkOperate, std::make_unique<GenericDevice>(GenericDevice::Identity{1484, 101101}));
        adapter.setPort(2, Mode::DigitalIn);
        adapter.setPort(3, Mode::IoLinkStarting, std::make_unique<GenericDevice>());
        adapter.setPort(5, Mode::CommunicationLost, std::make_unique<GenericDevice>());
    }

private slots:
    void init()
    {
        simhelpers::freshAdapter();
        QVERIFY(simhelpers::openHubLink());
        hub->activePorts.clear();
    }

    void followsThePortModes()
    {
        adapter.setPort(1, Mode::IoLinkStarting,
                        std::make_unique<GenericDevice>(GenericDevice::Identity{1484, 101101}));
        adapter.setPort(3, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        portStatusMonitor monitor;
        QSignalSpy changed(&monitor, &portStatusMonitor::statesChanged);
        hub->modbus->busy = true; // a page holds the link: the turn is skipped
        QVERIFY(monitor.poll() == 1 && adapter.log().isEmpty() && hub->activePorts.isEmpty());
        hub->modbus->busy = false;
        QCOMPARE(monitor.poll(), 0);
        QCOMPARE(hub->activePorts, QSet<int>({3}));
        const PortState starting = monitor.states().at(1);
        QCOMPARE(QString("%1 %2 %3").arg(starting.mode).arg(starting.vendorId).arg(starting.deviceId), "3 1484 101101");

        adapter.port(1).mode = Mode::IoLinkOperate;
        adapter.port(3).mode = Mode::CommunicationLost;
        QVERIFY(monitor.poll() == 0 && monitor.poll() == 0);
        QCOMPARE(hub->activePorts, QSet<int>({1}));
        QCOMPARE(changed.count(), 2); // no signal when nothing changed

        // An exception answer is not a status block, and not a reason to stop asking for it.
        adapter.faults().exception = 0x04;
        QCOMPARE(monitor.poll(), -1);
        QVERIFY(hub->activePorts.isEmpty() && !monitor.adapterAnswers());
        adapter.faults().exception = 0;
        QVERIFY(monitor.poll() == 0 && monitor.statusBlockServed());
        QCOMPARE(hub->activePorts, QSet<int>({1}));
        adapter.faults().unplugged = true;
        QVERIFY(monitor.poll() == -1 && hub->activePorts.isEmpty());
    }

    // Each poll the adapter leaves unanswered doubles the wait up to 30 s; an answer, even a refused one, and a
    // failure that cost no time do not.
    void backsOffWhileSilent()
    {
        adapter.setPort(2, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        portStatusMonitor monitor;
        QCOMPARE(monitor.currentIntervalMs(), 1000);
        adapter.faults().silent = true;
        QList<int> intervals;
        for (int i = 0; i < 6; ++i)
            intervals << (monitor.poll() == -1 ? monitor.currentIntervalMs() : 0);
        QCOMPARE(intervals, (QList<int>{2000, 4000, 8000, 16000, 30000, 30000}));
        QVERIFY(monitor.adapterSilent() && hub->activePorts.isEmpty());
        hub->modbus->busy = true; // a skipped poll learns nothing
        QVERIFY(monitor.poll() == 1 && monitor.currentIntervalMs() == 30000);
        hub->modbus->busy = false;

        adapter.faults().silent = false;
        QVERIFY(monitor.poll() == 0 && monitor.currentIntervalMs() == 1000);
        QVERIFY(!monitor.adapterSilent() && hub->activePorts == QSet<int>({2}));

        for (const bool unplugged : {false, true}) {
            adapter.faults() = {};
            adapter.faults().silent = true;
            QCOMPARE(monitor.poll(), -1);
            adapter.faults() = {};
            adapter.faults().exception = unplugged ? 0 : 0x04;
            adapter.faults().unplugged = unplugged;
            QVERIFY(monitor.poll() == -1 && monitor.currentIntervalMs() == 1000 && !monitor.adapterSilent());
        }
    }

    // After an unplug the reconnector opens the adapter again once it is back (not while a page holds the link),
    // and the next poll has the ports again.
    void reconnectsAfterUnplug()
    {
        adapter.setPort(5, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        portStatusMonitor monitor;
        LinkReconnector reconnector(hub->modbus);
        QSignalSpy reconnected(&reconnector, &LinkReconnector::reconnected);
        QVERIFY(monitor.poll() == 0 && !reconnector.retrying());
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

    void learnsPortsFromDevicesOnceTheBlockIsRefused()
    {
        withoutStatusBlock();
        portStatusMonitor monitor;
        QCOMPARE(monitor.poll(), 0);
        QVERIFY(!monitor.statusBlockServed() && monitor.adapterAnswers());
        QCOMPARE(asked(), "block 1 2 3 4 5 6 7 8");
        QCOMPARE(hub->activePorts, QSet<int>({0, 1}));
        const PortState one = monitor.states().at(1);
        QCOMPARE(QString("%1 %2 %3").arg(one.mode).arg(one.vendorId).arg(one.deviceId), "4 1484 101101");
        for (int p : {2, 3, 4, 5, 6, 7}) // DI, starting, lost and off alike: no device in operate
            QVERIFY(monitor.states().at(p) == PortState{PortState::modeUnknown});

        // The timer's turns read nothing; a click reads that port only.
        adapter.clearLog();
        QCOMPARE(monitor.poll(), 1);
        adapter.port(3).mode = Mode::IoLinkOperate;
        QCOMPARE(monitor.refreshPort(3), 0);
        QCOMPARE(asked(), "4");
        QCOMPARE(hub->activePorts, QSet<int>({0, 1, 3}));

        // A page whose exchange failed asks for its port again, read at the monitor's next free turn.
        adapter.setPort(1, Mode::Deactivated); // the device was unplugged from Port2
        adapter.clearLog();
        portStatusMonitor::relearn(1);
        portStatusMonitor::relearn(42); // not a port: ignored
        hub->modbus->busy = true;       // a page is still at work: wait for the next turn
        QCOMPARE(monitor.poll(), 1);
        hub->modbus->busy = false;
        QVERIFY(monitor.poll() == 0 && monitor.poll() == 1); // the request was used up
        QCOMPARE(asked(), "2");
        QCOMPARE(hub->activePorts, QSet<int>({0, 3}));

        // A silent adapter: nothing is active until it answers, then every port is read again.
        adapter.faults().silent = true;
        portStatusMonitor::relearn(0);
        QCOMPARE(monitor.poll(), -1);
        QVERIFY(!monitor.adapterAnswers() && hub->activePorts.isEmpty());
        adapter.faults().silent = false;
        adapter.clearLog();
        QCOMPARE(monitor.poll(), 0);
        QCOMPARE(asked(), "1 2 3 4 5 6 7 8");
        QCOMPARE(hub->activePorts, QSet<int>({0, 3}));
    }
};

QTEST_MAIN(tst_portstatusmonitor)
#include "tst_portstatusmonitor.moc"
