// The link against the virtual adapter: its commands' bytes across the hidapi seam, answer checks and failure
// paths, a port's direct parameter page read through the mailbox, and the port-status monitor, which keeps the
// hub's active ports equal to the ports in IO-Link operate: from the adapter's status block, or, on an adapter
// without one (exception 02), from the devices' direct parameter pages.

#include "genericdevice.h"
#include "link/directparameterpage.h"
#include "link/isduexchange.h"
#include "link/linkreconnector.h"
#include "link/modbuslink.h"
#include "link/portstatusmonitor.h"
#include "log/hub8log.h"
#include "log/linktracefile.h"
#include "simhelpers.h"
#include "testhelpers.h"

#include <hidapi.h>

#include <QSignalSpy>
#include <QtTest>

using TestHelpers::hex;
using Mode = VirtualAdapter::Mode;

// A fault that makes the adapter answer, but not with an answer to the request.
struct AnswerFault
{
    VirtualAdapter::Faults faults;
    bool readsRefused;
    int crcErrors, exception;
};
Q_DECLARE_METATYPE(AnswerFault)

class tst_link : public QObject
{
    Q_OBJECT
    VirtualAdapter &adapter = VirtualAdapter::instance();
    LinkHub *hub = LinkHub::instance();
    ModbusLink *link = nullptr;

    int transfer(const QByteArray &request, QByteArray &reply)
    {
        reply = QByteArray(65, char(0xAB));
        return link->transfer(request, reinterpret_cast<uchar *>(reply.data()));
    }
    static bool quick(const QElapsedTimer &t, int ms = 100) { return t.elapsed() < ms; }

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

private slots:
    void init()
    {
        SimHelpers::freshAdapter();
        link = new ModbusLink;
        QCOMPARE(link->openDevice(), 0);
        hub->setLink(link); // the monitor and the reconnector work on the hub's link
        hub->setActivePorts({});
    }
    void cleanup()
    {
        hub->setLink(nullptr);
        delete link;
    }

    void reportsAndValues()
    {
        QCOMPARE(link->writeRegister(0x8000, 1), 0);
        quint16 v = 0xFFFF;
        QCOMPARE(link->readRegister(0x9000, v), 0);
        QCOMPARE(link->writeIsduRequest(IsduRequestBlock::make(0x03, 1, 0x1234, 5, 0)), 0);
        const auto sent = [this](int i, int n) { return adapter.log().at(i).request.left(n); };
        QCOMPARE(sent(0, 65), hex("00 01 10 80 00 00 01 02 00 01 e6 58") + QByteArray(53, '\0'));
        QCOMPARE(sent(1, 65), hex("00 01 03 90 00 00 01 a9 0a") + QByteArray(56, '\0'));
        QCOMPARE(sent(2, 48), hex("00 01 10 35 00 00 14 28  03 01 00 12 34 05 00") + QByteArray(33, '\0'));

        const auto *values = reinterpret_cast<const unsigned char *>("\x00\x01\x00\x02\x01\x2c");
        QCOMPARE(link->writeRegisterBlock(0x8020, values, 3), 0);
        QByteArray out("x");
        QCOMPARE(link->readRegisters(0x8020, 3, out), 0);
        QCOMPARE(out, "x" + hex("00 01 00 02 01 2c"));                    // appended, not replaced
        QCOMPARE(link->writeRegisters(0x8040, hex("0a 0b 0c 0d"), 3), 0); // the third register goes out as zero
        QCOMPARE(adapter.port(2).pdOut.left(6), hex("0a 0b 0c 0d 00 00"));
        QCOMPARE(link->writeRegistersText(0x8000, "65537,,abc,7"), 0); // low 16 bits; empty parts skipped; NaN is 0
        QCOMPARE(adapter.port(0).pdOut.left(6), hex("00 01 00 00 00 07"));
        QCOMPARE(link->writeRegistersText(0x8000, ",,"), -1);
        QCOMPARE(adapter.log().size(), 7); // nothing sent without parts
    }

    // Answers that do not belong to their request count as no answer for every command.
    void refusedAnswers_data()
    {
        QTest::addColumn<AnswerFault>("f");
        VirtualAdapter::Faults echo, count, crc, exception;
        echo.wrongEcho = count.wrongCount = crc.badCrc = true;
        exception.exception = 0x04;
        QTest::newRow("write echo of another address") << AnswerFault{echo, false, 0, 0};
        QTest::newRow("another register or byte count") << AnswerFault{count, true, 0, 0};
        QTest::newRow("bad CRC") << AnswerFault{crc, true, 1, 0};
        QTest::newRow("exception 04") << AnswerFault{exception, true, 0, 0x04};
    }
    void refusedAnswers()
    {
        QFETCH(AnswerFault, f);
        adapter.faults() = f.faults;
        adapter.faults().isduLatencyMs = 0;
        const QList<int> writes{link->writeRegister(0x8000, 1), link->writeRegisters(0x8000, hex("00 01"), 1),
                                link->writeRegisterBlock(0x8000, reinterpret_cast<const uchar *>("\0\1"), 1),
                                link->writeRegistersText(0x8000, "1,2"),
                                link->writeIsduRequest(IsduRequestBlock::make(3, 1, 16, 0, 0))};
        QCOMPARE(writes, QList<int>({-1, -1, -1, -1, -1}));
        QCOMPARE(link->lastException(), f.exception);

        const int expected = f.readsRefused ? -1 : 0;
        quint16 v = 0xBEEF;
        QByteArray appended("x"), replaced("y");
        const QList<int> reads{link->readRegister(0x8000, v), link->readRegisters(0x8000, 2, appended),
                               link->readRegistersChecked(0x8000, 2, replaced)};
        QCOMPARE(reads, QList<int>({expected, expected, expected}));
        if (f.readsRefused) // nothing of a refused answer is handed on
            QVERIFY(v == 0xBEEF && appended + replaced == "xy");
        QCOMPARE(link->lastException(), f.readsRefused ? f.exception : 0);

        const int exchanges = 8;
        QCOMPARE(adapter.log().size(), exchanges);
        const ModbusLink::Stats &st = link->stats();
        QCOMPARE(QList<int>({int(st.answers), int(st.crcErrors), int(st.exceptions)}),
                 QList<int>({exchanges, f.crcErrors * exchanges, f.exception ? exchanges : 0}));
        QVERIFY(link->isConnected() && link->lastAnswered() && !link->isBusy());
    }

    // Unplugged between write and read: later commands fail at once on the dead handle; plugging it in again
    // does not restore the handle, opening it again does.
    void unpluggedAdapterFails()
    {
        QSignalSpy connection(link, &ModbusLink::connectionChanged);
        link->setBusy(true);
        adapter.faults().unplugAfterWrite = true;
        QCOMPARE(link->writeIsduRequest(IsduRequestBlock::make(3, 1, 16, 0, 0)), -1);
        QVERIFY(adapter.log().size() == 1 && !adapter.log().at(0).answer.isEmpty() && adapter.faults().unplugged);
        QCOMPARE(QList<QVariantList>(connection), QList<QVariantList>{{false}});
        QVERIFY(link->isOpen() && !link->isConnected() && link->isBusy());

        QElapsedTimer t;
        t.start();
        QByteArray out;
        QVERIFY(link->readRegisters(0x9000, 2, out) == -1 && link->writeRegister(0x8000, 1) == -1 && quick(t));
        QCOMPARE(adapter.log().size(), 1);
        QCOMPARE(int(link->stats().failures), 3);

        adapter.faults().unplugged = false; // back, but the handle stays dead until opened again
        QCOMPARE(link->writeRegister(0x8000, 1), -1);
        QVERIFY(link->openDevice() == 0 && link->writeRegister(0x8000, 1) == 0);
        QCOMPARE(QList<QVariantList>(connection), (QList<QVariantList>{{false}, {true}}));
    }

    // The read fails after the adapter took the request: no answer, and the answer still queued does not end up
    // as the next exchange's.
    void readFailsAfterGoodWrite()
    {
        QSignalSpy connection(link, &ModbusLink::connectionChanged);
        adapter.faults().readErrorAfterWrite = true;
        QCOMPARE(link->writeRegister(0x8000, 6), -1);
        QCOMPARE(adapter.port(0).pdOut.left(2), hex("00 06")); // the adapter did take it
        QVERIFY(!link->isConnected() && !link->lastAnswered() && !link->isBusy());

        adapter.faults().readErrorAfterWrite = false;
        quint16 v = 0;
        QVERIFY(link->readRegister(0x8000, v) == 0 && v == 6);
        QCOMPARE(int(link->stats().droppedStale), 1); // the echo, dropped before the read
        QVERIFY(link->isConnected());
        QCOMPARE(QList<QVariantList>(connection), (QList<QVariantList>{{false}, {true}}));
    }

    // An answer that comes after its read gave up is dropped before the next request; otherwise it would pass for
    // that request's answer and shift every later one.
    void staleAnswerIsDropped()
    {
        adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        QByteArray response;
        QCOMPARE(link->writeIsduRequest(IsduRequestBlock::make(3, 1, 16, 0, 0)), 0);
        adapter.faults().lateAnswerMs = 1300;
        QCOMPARE(link->readRegisters(0x3600, 20, response), -1);
        QVERIFY(response.isEmpty() && !link->isBusy() && link->isConnected());
        adapter.faults().lateAnswerMs = 0;
        QTest::qWait(400); // the late answer is in the queue now

        QCOMPARE(link->writeIsduRequest(IsduRequestBlock::make(3, 1, 18, 0, 0)), 0);
        QCOMPARE(link->readRegisters(0x3600, 20, response), 0);
        QCOMPARE(IsduResponseBlock(response).data(), QByteArray("IOL-GEN-1"));
        QCOMPARE(QList<int>({int(link->stats().droppedStale), int(link->stats().timeouts)}), QList<int>({1, 1}));
    }

    // --log: timestamped link lines and hex dumps in the file; hid_error's text only where a call failed.
    void traceFile()
    {
        hid_device *dev = hid_open(VirtualAdapter::usbVendorId, VirtualAdapter::usbProductId, nullptr);
        QCOMPARE(QString::fromWCharArray(hid_error(dev)), "Success"); // after a good call, as hidapi says it
        hid_close(dev);
        QTemporaryDir dir;
        const QString path = dir.filePath("trace.txt");
        {
            LinkTraceFile trace;
            QString error;
            QVERIFY(!trace.open(dir.filePath("no/such/dir/x.txt"), &error) && error.contains("cannot write"));
            QVERIFY(trace.open(path, &error) && !LinkTraceFile().open(dir.filePath("second.txt")));
            QVERIFY(lcLinkRaw().isDebugEnabled());
            QByteArray out;
            QCOMPARE(link->readRegisters(0x9000, 1, out), 0);
            adapter.faults().unplugged = true;
            QCOMPARE(link->readRegisters(0x9000, 1, out), -1);
        }
        QVERIFY(!lcLinkRaw().isDebugEnabled()); // back as the rules say
        const QStringList lines = QString::fromUtf8(TestHelpers::readFile(path)).split('\n', Qt::SkipEmptyParts);
        const QRegularExpression stamp("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3} hub8\\.link");
        for (const QString &line : lines)
            QVERIFY2(stamp.match(line).hasMatch(), qPrintable(line));
        const QString all = lines.join('\n');
        QVERIFY(all.contains("hub8.link.raw: read request: 00 01 03 90 00 00 01 a9 0a"));
        QVERIFY(all.contains("hub8.link: hid_read_timeout failed: hid_read_timeout: device disconnected"));
        QVERIFY2(!all.contains("Success"), qPrintable(all));
    }

    // A report the adapter takes only in part fails at once: no read, nothing reaches the adapter.
    void shortWriteFails()
    {
        for (const int taken : {0, 64}) {
            adapter.clearLog();
            adapter.faults().shortWriteBytes = taken;
            link->setBusy(taken > 0); // left as it was
            QElapsedTimer t;
            t.start();
            QByteArray reply, out;
            QCOMPARE(transfer(ModbusFrame::toReport(ModbusFrame::readRequest(0x9000, 1)), reply), -1);
            QCOMPARE(reply, QByteArray(65, char(0xAB)));
            QVERIFY(link->readRegistersChecked(0x9000, 1, out) == -1 && link->writeRegister(0x8000, 1) == -1
                    && link->writeIsduRequest(IsduRequestBlock::make(3, 1, 16, 0, 0)) == -1 && quick(t, 500));
            QVERIFY(adapter.log().isEmpty() && adapter.isduRequestCount() == 0 && link->isBusy() == (taken > 0));
        }
        adapter.faults().shortWriteBytes = -1; // the link itself is fine
        QVERIFY(link->writeRegister(0x8000, 1) == 0 && adapter.port(0).pdOut.left(2) == hex("00 01"));
    }

    void cycleTimeCode()
    {
        // Base 0: m x 0.1 ms; 1: 6.4 ms + m x 0.4 ms; 2: 32 ms + m x 1.6 ms; 3 reserved.
        for (const char *row : {"1e 3000 3.0 ms", "41 6800 6.8 ms", "bf 132800 132.8 ms", "c5 -1 无效代码 0xc5"}) {
            const QStringList f = QString::fromUtf8(row).split(' ');
            const quint8 code = quint8(f[0].toInt(nullptr, 16));
            QCOMPARE(QString::number(cycleTimeUs(code)) + ' ' + cycleTimeText(code), f.mid(1).join(' '));
        }
    }

    // The page of the device on Port6: "mode latency forced status => result".
    void directParameters()
    {
        adapter.setPort(5, Mode::DigitalIn, std::make_unique<GenericDevice>(GenericDevice::Identity{0x05CC, 0x018AED}));
        const QMap<QString, DirectParameterRead> results{{"read", DirectParameterRead::Read},
                                                         {"unclear", DirectParameterRead::Unclear},
                                                         {"no-device", DirectParameterRead::NoDevice}};
        for (const char *row : {"4 0 -1 read", "4 180 -1 read", "4 2000 -1 unclear", "1 0 -1 no-device",
                                "4 0 2 read"}) { // polled while busy; busy beyond the wait; status 2 is success
            const QStringList f = QString(row).split(' ');
            adapter.port(5).mode = Mode(f[0].toInt());
            adapter.faults().isduLatencyMs = f[1].toInt();
            adapter.faults().forcedIsduStatus = f[2].toInt();
            QObject waiter;
            DirectParameters page;
            QVERIFY2(readDirectParameters(link, 5, &waiter, &page) == results.value(f[3]), row);
            QCOMPARE(adapter.isduRequest().left(7), hex("03 06 00 00 00 00 00")); // read, Port6, index 0/0
            if (f[3] == "read")
                QCOMPARE(
                    QString("%1 %2 %3").arg(page.vendorId).arg(page.deviceId).arg(cycleTimeText(page.minCycleTime)),
                    "1484 101101 3.0 ms");
        }
    }

    void followsThePortModes()
    {
        adapter.setPort(1, Mode::IoLinkStarting,
                        std::make_unique<GenericDevice>(GenericDevice::Identity{1484, 101101}));
        adapter.setPort(3, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        PortStatusMonitor monitor;
        QSignalSpy changed(&monitor, &PortStatusMonitor::statesChanged);
        hub->link()->setBusy(true); // a page holds the link: the turn is skipped
        QVERIFY(monitor.poll() == 1 && adapter.log().isEmpty() && hub->activePorts().isEmpty());
        hub->link()->setBusy(false);
        QCOMPARE(monitor.poll(), 0);
        QCOMPARE(hub->activePorts(), QSet<int>({3}));
        const PortState starting = monitor.states().at(1);
        QCOMPARE(QString("%1 %2 %3").arg(starting.mode).arg(starting.vendorId).arg(starting.deviceId), "3 1484 101101");

        adapter.port(1).mode = Mode::IoLinkOperate;
        adapter.port(3).mode = Mode::CommunicationLost;
        QVERIFY(monitor.poll() == 0 && monitor.poll() == 0);
        QCOMPARE(hub->activePorts(), QSet<int>({1}));
        QCOMPARE(changed.count(), 2); // no signal when nothing changed

        // An exception answer is not a status block, and not a reason to stop asking for it.
        adapter.faults().exception = 0x04;
        QCOMPARE(monitor.poll(), -1);
        QVERIFY(hub->activePorts().isEmpty() && !monitor.adapterAnswers());
        adapter.faults().exception = 0;
        QVERIFY(monitor.poll() == 0 && monitor.statusBlockServed());
        QCOMPARE(hub->activePorts(), QSet<int>({1}));
    }

    // Each poll the adapter leaves unanswered doubles the wait up to 30 s; an answer, even a refused one, and a
    // failure that cost no time do not.
    void backsOffWhileSilent()
    {
        adapter.setPort(2, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        PortStatusMonitor monitor;
        QCOMPARE(monitor.currentIntervalMs(), 1000);
        adapter.faults().silent = true;
        QList<int> intervals;
        for (int i = 0; i < 6; ++i)
            intervals << (monitor.poll() == -1 ? monitor.currentIntervalMs() : 0);
        QCOMPARE(intervals, (QList<int>{2000, 4000, 8000, 16000, 30000, 30000}));
        QVERIFY(monitor.adapterSilent() && hub->activePorts().isEmpty());
        hub->link()->setBusy(true); // a skipped poll learns nothing
        QVERIFY(monitor.poll() == 1 && monitor.currentIntervalMs() == 30000);
        hub->link()->setBusy(false);

        adapter.faults().silent = false;
        QVERIFY(monitor.poll() == 0 && monitor.currentIntervalMs() == 1000);
        QVERIFY(!monitor.adapterSilent() && hub->activePorts() == QSet<int>({2}));

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
        PortStatusMonitor monitor;
        LinkReconnector reconnector(hub->link());
        QSignalSpy reconnected(&reconnector, &LinkReconnector::reconnected);
        QVERIFY(monitor.poll() == 0 && !reconnector.retrying());
        const QVector<PortState> before = monitor.states();

        adapter.faults().unplugged = true;
        QCOMPARE(monitor.poll(), -1);
        QVERIFY(!hub->link()->isConnected() && reconnector.retrying() && hub->activePorts().isEmpty());
        QCOMPARE(reconnector.attempt(), -1); // still unplugged
        adapter.faults().unplugged = false;
        hub->link()->setBusy(true);
        QCOMPARE(reconnector.attempt(), 1);
        hub->link()->setBusy(false);
        QVERIFY(reconnected.isEmpty());

        QTRY_COMPARE_WITH_TIMEOUT(reconnected.size(), 1, LinkReconnector::retryIntervalMs + 1000);
        QVERIFY(hub->link()->isConnected() && !reconnector.retrying());
        QCOMPARE(monitor.poll(), 0);
        QCOMPARE(monitor.states(), before);
        QCOMPARE(hub->activePorts(), QSet<int>({5}));
    }

    void learnsPortsFromDevicesOnceTheBlockIsRefused()
    {
        adapter.setPortStatusBlock(false);
        adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        adapter.setPort(1, Mode::IoLinkOperate, std::make_unique<GenericDevice>(GenericDevice::Identity{1484, 101101}));
        adapter.setPort(2, Mode::DigitalIn);
        adapter.setPort(3, Mode::IoLinkStarting, std::make_unique<GenericDevice>());
        adapter.setPort(5, Mode::CommunicationLost, std::make_unique<GenericDevice>());
        PortStatusMonitor monitor;
        QCOMPARE(monitor.poll(), 0);
        QVERIFY(!monitor.statusBlockServed() && monitor.adapterAnswers());
        QCOMPARE(asked(), "block 1 2 3 4 5 6 7 8");
        QCOMPARE(hub->activePorts(), QSet<int>({0, 1}));
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
        QCOMPARE(hub->activePorts(), QSet<int>({0, 1, 3}));

        // A page whose exchange failed asks for its port again, read at the monitor's next free turn.
        adapter.setPort(1, Mode::Deactivated); // the device was unplugged from Port2
        adapter.clearLog();
        PortStatusMonitor::relearn(1);
        PortStatusMonitor::relearn(42); // not a port: ignored
        hub->link()->setBusy(true);       // a page is still at work: wait for the next turn
        QCOMPARE(monitor.poll(), 1);
        hub->link()->setBusy(false);
        QVERIFY(monitor.poll() == 0 && monitor.poll() == 1); // the request was used up
        QCOMPARE(asked(), "2");
        QCOMPARE(hub->activePorts(), QSet<int>({0, 3}));

        // A silent adapter: nothing is active until it answers, then every port is read again.
        adapter.faults().silent = true;
        PortStatusMonitor::relearn(0);
        QCOMPARE(monitor.poll(), -1);
        QVERIFY(!monitor.adapterAnswers() && hub->activePorts().isEmpty());
        adapter.faults().silent = false;
        adapter.clearLog();
        QCOMPARE(monitor.poll(), 0);
        QCOMPARE(asked(), "1 2 3 4 5 6 7 8");
        QCOMPARE(hub->activePorts(), QSet<int>({0, 3}));
    }

    // Another request takes the mailbox while this one waits: its answer is not taken.
    void exchangeRefusesForeignAnswers()
    {
        adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        adapter.faults().isduLatencyMs = 30;
        QTimer::singleShot(5, link,
                           [this] { link->writeIsduRequest(IsduRequestBlock::make(IsduService::read, 2, 0, 0, 0)); });
        const IsduExchange x =
            exchangeIsdu(link, IsduRequestBlock::make(IsduService::read, 1, 16, 0, 0), nullptr, 10, 200);
        QCOMPARE(int(x.outcome), int(IsduOutcome::NotOurs));
    }
};

QTEST_MAIN(tst_link)
#include "tst_link.moc"
