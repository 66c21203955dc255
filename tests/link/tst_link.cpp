// The link against the virtual adapter: its commands' bytes across the hidapi seam, answer checks and failure
// paths, the job queue of the link's thread (whole transactions, cancelling, shutdown), a port's direct
// parameter page read through the mailbox, and the port-status monitor, which keeps the hub's active ports equal
// to the ports in IO-Link operate: from the adapter's status block, or, on an adapter without one (exception
// 02), from the devices' direct parameter pages.

#include "genericdevice.h"
#include "link/adapterlink.h"
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
    VirtualAdapter &m_adapter = VirtualAdapter::instance();
    LinkHub *m_hub = LinkHub::instance();
    ModbusLink *m_link = nullptr; // driven from the test's thread, without the job queue

    // One poll of the monitor to its end: 1 skipped, else its outcome.
    static int pollNow(PortStatusMonitor &monitor, bool click = false, int port = 0)
    {
        QSignalSpy finished(&monitor, &PortStatusMonitor::pollFinished);
        if ((click ? monitor.refreshPort(port) : monitor.poll()) != 0)
            return 1;
        if (!finished.wait(10000))
            return 99;
        return finished.first().first().toInt();
    }
    // A whole ISDU transaction on the hub's link, waited for.
    IsduExchange isduNow(const IsduRequestBlock &request, int waitMs = 400, int pollMs = 10)
    {
        const std::unique_ptr<LinkReply> reply(m_hub->link()->exchangeIsdu(request, waitMs, nullptr, pollMs));
        reply->waitForFinished();
        return reply->isdu();
    }

    int transfer(const QByteArray &request, QByteArray &reply)
    {
        reply = QByteArray(65, char(0xAB));
        return m_link->transfer(request, reinterpret_cast<uchar *>(reply.data()));
    }
    static bool quick(const QElapsedTimer &t, int ms = 100) { return t.elapsed() < ms; }

    // What the tool asked since the log was cleared: "block" for a status-block read, the port number for an
    // ISDU request; response reads are left out.
    QString asked() const
    {
        QStringList out;
        for (const VirtualAdapter::Exchange &x : m_adapter.log()) {
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
        m_link = new ModbusLink;
        QCOMPARE(m_link->openDevice(), 0);
        QVERIFY(SimHelpers::openHubLink()); // the monitor and the reconnector work on the hub's link
        m_adapter.clearLog();
        m_hub->setActivePorts({});
    }
    void cleanup()
    {
        delete m_hub->setLink(nullptr);
        delete m_link;
    }

    void reportsAndValues()
    {
        QCOMPARE(m_link->writeRegisters(0x8000, hex("00 01"), 1), 0);
        QByteArray out("x");
        QCOMPARE(m_link->readRegisters(0x9000, 1, out), 0);
        QCOMPARE(out.size(), 2); // replaced, not appended
        QCOMPARE(m_link->writeIsduRequest(IsduRequestBlock::make(0x03, 1, 0x1234, 5, 0)), 0);
        const auto sent = [this](int i, int n) { return m_adapter.log().at(i).request.left(n); };
        QCOMPARE(sent(0, 65), hex("00 01 10 80 00 00 01 02 00 01 e6 58") + QByteArray(53, '\0'));
        QCOMPARE(sent(1, 65), hex("00 01 03 90 00 00 01 a9 0a") + QByteArray(56, '\0'));
        QCOMPARE(sent(2, 48), hex("00 01 10 35 00 00 14 28  03 01 00 12 34 05 00") + QByteArray(33, '\0'));
        QCOMPARE(m_link->writeRegisters(0x8040, hex("0a 0b 0c 0d"), 3), 0); // the third register goes out as zero
        QCOMPARE(m_adapter.port(2).pdOut.left(6), hex("0a 0b 0c 0d 00 00"));
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
        m_adapter.faults() = f.faults;
        m_adapter.faults().isduLatencyMs = 0;
        const QList<int> writes{m_link->writeRegisters(0x8000, hex("00 01"), 1),
                                m_link->writeIsduRequest(IsduRequestBlock::make(3, 1, 16, 0, 0))};
        QCOMPARE(writes, QList<int>({-1, -1}));
        QCOMPARE(m_link->lastException(), f.exception);

        QByteArray read("y");
        QCOMPARE(m_link->readRegisters(0x8000, 2, read), f.readsRefused ? -1 : 0);
        if (f.readsRefused) // nothing of a refused answer is handed on
            QCOMPARE(read, "y");
        QCOMPARE(m_link->lastException(), f.readsRefused ? f.exception : 0);

        const int exchanges = 3;
        QCOMPARE(m_adapter.log().size(), exchanges);
        const ModbusLink::Stats &st = m_link->stats();
        QCOMPARE(QList<int>({int(st.answers), int(st.crcErrors), int(st.exceptions)}),
                 QList<int>({exchanges, f.crcErrors * exchanges, f.exception ? exchanges : 0}));
        QVERIFY(m_link->isConnected() && m_link->lastAnswered());
    }

    // Unplugged between write and read: later commands fail at once on the dead handle; plugging it in again
    // does not restore the handle, opening it again does.
    void unpluggedAdapterFails()
    {
        m_adapter.faults().unplugAfterWrite = true;
        QCOMPARE(m_link->writeIsduRequest(IsduRequestBlock::make(3, 1, 16, 0, 0)), -1);
        QVERIFY(m_adapter.log().size() == 1 && !m_adapter.log().at(0).answer.isEmpty() && m_adapter.faults().unplugged);
        QVERIFY(m_link->isOpen() && !m_link->isConnected());

        QElapsedTimer t;
        t.start();
        QByteArray out;
        QVERIFY(m_link->readRegisters(0x9000, 2, out) == -1 && m_link->writeRegisters(0x8000, hex("00 01"), 1) == -1
                && quick(t));
        QCOMPARE(m_adapter.log().size(), 1);
        QCOMPARE(int(m_link->stats().failures), 3);

        m_adapter.faults().unplugged = false; // back, but the handle stays dead until opened again
        QCOMPARE(m_link->writeRegisters(0x8000, hex("00 01"), 1), -1);
        QVERIFY(m_link->openDevice() == 0 && m_link->writeRegisters(0x8000, hex("00 01"), 1) == 0
                && m_link->isConnected());
    }

    // The read fails after the adapter took the request: no answer, and the answer still queued does not end up
    // as the next exchange's.
    void readFailsAfterGoodWrite()
    {
        m_adapter.faults().readErrorAfterWrite = true;
        QCOMPARE(m_link->writeRegisters(0x8000, hex("00 06"), 1), -1);
        QCOMPARE(m_adapter.port(0).pdOut.left(2), hex("00 06")); // the adapter did take it
        QVERIFY(!m_link->isConnected() && !m_link->lastAnswered());

        m_adapter.faults().readErrorAfterWrite = false;
        QByteArray v;
        QVERIFY(m_link->readRegisters(0x8000, 1, v) == 0 && v == hex("00 06"));
        QCOMPARE(int(m_link->stats().droppedStale), 1); // the echo, dropped before the read
        QVERIFY(m_link->isConnected());
    }

    // An answer that comes after its read gave up is dropped before the next request; otherwise it would pass for
    // that request's answer and shift every later one.
    void staleAnswerIsDropped()
    {
        m_adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        QByteArray response;
        QCOMPARE(m_link->writeIsduRequest(IsduRequestBlock::make(3, 1, 16, 0, 0)), 0);
        m_adapter.faults().lateAnswerMs = 1300;
        QCOMPARE(m_link->readRegisters(0x3600, 20, response), -1);
        QVERIFY(response.isEmpty() && m_link->isConnected());
        m_adapter.faults().lateAnswerMs = 0;
        QTest::qWait(400); // the late answer is in the queue now

        QCOMPARE(m_link->writeIsduRequest(IsduRequestBlock::make(3, 1, 18, 0, 0)), 0);
        QCOMPARE(m_link->readRegisters(0x3600, 20, response), 0);
        QCOMPARE(IsduResponseBlock(response).data(), QByteArray("IOL-GEN-1"));
        QCOMPARE(QList<int>({int(m_link->stats().droppedStale), int(m_link->stats().timeouts)}), QList<int>({1, 1}));
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
            QCOMPARE(m_link->readRegisters(0x9000, 1, out), 0);
            m_adapter.faults().unplugged = true;
            QCOMPARE(m_link->readRegisters(0x9000, 1, out), -1);
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

        // Past its limit the trace goes on in a new file; the one before is kept, nothing older.
        m_adapter.faults().unplugged = false;
        QCOMPARE(m_link->openDevice(), 0);
        {
            LinkTraceFile trace;
            QVERIFY(trace.open(path, nullptr, 4000));
            QByteArray out;
            for (int i = 0; i < 100; ++i)
                QCOMPARE(m_link->readRegisters(0x9000, 1, out), 0);
        }
        const qint64 size = QFileInfo(path).size(), before = QFileInfo(path + ".1").size();
        QVERIFY2(size > 0 && size <= 4000 && before > 3000 && before <= 4000,
                 qPrintable(QString("%1 %2").arg(size).arg(before)));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    }

    // A report the adapter takes only in part fails at once: no read, nothing reaches the adapter.
    void shortWriteFails()
    {
        for (const int taken : {0, 64}) {
            m_adapter.clearLog();
            m_adapter.faults().shortWriteBytes = taken;
            QElapsedTimer t;
            t.start();
            QByteArray reply, out;
            QCOMPARE(transfer(ModbusFrame::toReport(ModbusFrame::readRequest(0x9000, 1)), reply), -1);
            QCOMPARE(reply, QByteArray(65, char(0xAB)));
            QVERIFY(m_link->readRegisters(0x9000, 1, out) == -1 && m_link->writeRegisters(0x8000, hex("00 01"), 1) == -1
                    && m_link->writeIsduRequest(IsduRequestBlock::make(3, 1, 16, 0, 0)) == -1 && quick(t, 500));
            QVERIFY(m_adapter.log().isEmpty() && m_adapter.isduRequestCount() == 0);
        }
        m_adapter.faults().shortWriteBytes = -1; // the link itself is fine
        QVERIFY(m_link->writeRegisters(0x8000, hex("00 01"), 1) == 0
                && m_adapter.port(0).pdOut.left(2) == hex("00 01"));
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
        m_adapter.setPort(5, Mode::DigitalIn,
                          std::make_unique<GenericDevice>(GenericDevice::Identity{0x05CC, 0x018AED}));
        const QMap<QString, DirectParameterRead> results{{"read", DirectParameterRead::Read},
                                                         {"unclear", DirectParameterRead::Unclear},
                                                         {"no-device", DirectParameterRead::NoDevice}};
        for (const char *row : {"4 0 -1 read", "4 180 -1 read", "4 2000 -1 unclear", "1 0 -1 no-device",
                                "4 0 2 read"}) { // polled while busy; busy beyond the wait; status 2 is success
            const QStringList f = QString(row).split(' ');
            m_adapter.port(5).mode = Mode(f[0].toInt());
            m_adapter.faults().isduLatencyMs = f[1].toInt();
            m_adapter.faults().forcedIsduStatus = f[2].toInt();
            DirectParameters page;
            const IsduExchange x = isduNow(directParameterRequest(5), directParameterWaitMs, directParameterPollMs);
            QVERIFY2(directParametersOf(x, &page) == results.value(f[3]), row);
            QCOMPARE(m_adapter.isduRequest().left(7), hex("03 06 00 00 00 00 00")); // read, Port6, index 0/0
            if (f[3] == "read")
                QCOMPARE(
                    QString("%1 %2 %3").arg(page.vendorId).arg(page.deviceId).arg(cycleTimeText(page.minCycleTime)),
                    "1484 101101 3.0 ms");
        }
    }

    void followsThePortModes()
    {
        m_adapter.setPort(1, Mode::IoLinkStarting,
                          std::make_unique<GenericDevice>(GenericDevice::Identity{1484, 101101}));
        m_adapter.setPort(3, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        PortStatusMonitor monitor;
        QSignalSpy changed(&monitor, &PortStatusMonitor::statesChanged);
        // One poll at a time: a turn while the last one is under way is skipped.
        QVERIFY(monitor.poll() == 0 && monitor.poll() == 1 && monitor.isPolling());
        QTRY_VERIFY(!monitor.isPolling());
        QCOMPARE(m_adapter.log().size(), 1);
        QCOMPARE(m_hub->activePorts(), QSet<int>({3}));
        const PortState starting = monitor.states().at(1);
        QCOMPARE(QString("%1 %2 %3").arg(starting.mode).arg(starting.vendorId).arg(starting.deviceId), "3 1484 101101");

        m_adapter.port(1).mode = Mode::IoLinkOperate;
        m_adapter.port(3).mode = Mode::CommunicationLost;
        QVERIFY(pollNow(monitor) == 0 && pollNow(monitor) == 0);
        QCOMPARE(m_hub->activePorts(), QSet<int>({1}));
        QCOMPARE(changed.count(), 2); // no signal when nothing changed

        // An exception answer is not a status block, and not a reason to stop asking for it.
        m_adapter.faults().exception = 0x04;
        QCOMPARE(pollNow(monitor), -1);
        QVERIFY(m_hub->activePorts().isEmpty() && !monitor.adapterAnswers());
        m_adapter.faults().exception = 0;
        QVERIFY(pollNow(monitor) == 0 && monitor.statusBlockServed());
        QCOMPARE(m_hub->activePorts(), QSet<int>({1}));
    }

    // A poll the adapter leaves unanswered makes the next one wait 2 s; an answer, even a refused one, and a
    // failure that cost no time do not.
    void backsOffWhileSilent()
    {
        m_adapter.setPort(2, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        PortStatusMonitor monitor;
        QCOMPARE(monitor.currentIntervalMs(), 1000);
        m_adapter.faults().silent = true;
        QList<int> intervals;
        for (int i = 0; i < 3; ++i)
            intervals << (pollNow(monitor) == -1 ? monitor.currentIntervalMs() : 0);
        QCOMPARE(intervals, (QList<int>{2000, 2000, 2000}));
        QVERIFY(monitor.adapterSilent() && m_hub->activePorts().isEmpty());

        m_adapter.faults().silent = false;
        QVERIFY(pollNow(monitor) == 0 && monitor.currentIntervalMs() == 1000);
        QVERIFY(!monitor.adapterSilent() && m_hub->activePorts() == QSet<int>({2}));

        for (const bool unplugged : {false, true}) {
            m_adapter.faults() = {};
            m_adapter.faults().silent = true;
            QCOMPARE(pollNow(monitor), -1);
            m_adapter.faults() = {};
            m_adapter.faults().exception = unplugged ? 0 : 0x04;
            m_adapter.faults().unplugged = unplugged;
            QVERIFY(pollNow(monitor) == -1 && monitor.currentIntervalMs() == 1000 && !monitor.adapterSilent());
        }
    }

    // After an unplug the reconnector opens the adapter again once it is back, and the next poll has the ports
    // again.
    void reconnectsAfterUnplug()
    {
        m_adapter.setPort(5, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        PortStatusMonitor monitor;
        LinkReconnector reconnector(m_hub->link());
        QSignalSpy reconnected(&reconnector, &LinkReconnector::reconnected);
        QVERIFY(pollNow(monitor) == 0 && !reconnector.retrying());
        const QVector<PortState> before = monitor.states();

        m_adapter.faults().unplugged = true;
        QCOMPARE(pollNow(monitor), -1);
        QVERIFY(!m_hub->link()->isConnected() && reconnector.retrying() && m_hub->activePorts().isEmpty());
        QSignalSpy attempts(m_hub->link(), &AdapterLink::jobFinished);
        QCOMPARE(reconnector.attempt(), 0); // sent; still unplugged
        QCOMPARE(reconnector.attempt(), 1); // one attempt at a time
        QVERIFY(attempts.wait() && !m_hub->link()->isConnected() && reconnected.isEmpty());
        m_adapter.faults().unplugged = false;
        QVERIFY(reconnected.isEmpty());

        QTRY_COMPARE_WITH_TIMEOUT(reconnected.size(), 1, LinkReconnector::retryIntervalMs + 1000);
        QVERIFY(m_hub->link()->isConnected() && !reconnector.retrying());
        QCOMPARE(pollNow(monitor), 0);
        QCOMPARE(monitor.states(), before);
        QCOMPARE(m_hub->activePorts(), QSet<int>({5}));
    }

    void learnsPortsFromDevicesOnceTheBlockIsRefused()
    {
        m_adapter.setPortStatusBlock(false);
        m_adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        m_adapter.setPort(1, Mode::IoLinkOperate,
                          std::make_unique<GenericDevice>(GenericDevice::Identity{1484, 101101}));
        m_adapter.setPort(2, Mode::DigitalIn);
        m_adapter.setPort(3, Mode::IoLinkStarting, std::make_unique<GenericDevice>());
        m_adapter.setPort(5, Mode::CommunicationLost, std::make_unique<GenericDevice>());
        PortStatusMonitor monitor;
        QCOMPARE(pollNow(monitor), 0);
        QVERIFY(!monitor.statusBlockServed() && monitor.adapterAnswers());
        QCOMPARE(asked(), "block 1 2 3 4 5 6 7 8");
        QCOMPARE(m_hub->activePorts(), QSet<int>({0, 1}));
        const PortState one = monitor.states().at(1);
        QCOMPARE(QString("%1 %2 %3").arg(one.mode).arg(one.vendorId).arg(one.deviceId), "4 1484 101101");
        for (int p : {2, 3, 4, 5, 6, 7}) // DI, starting, lost and off alike: no device in operate
            QVERIFY(monitor.states().at(p) == PortState{PortState::modeUnknown});

        // The timer's turns read nothing; a click reads that port only.
        m_adapter.clearLog();
        QCOMPARE(pollNow(monitor), 1);
        m_adapter.port(3).mode = Mode::IoLinkOperate;
        QCOMPARE(pollNow(monitor, true, 3), 0);
        QCOMPARE(asked(), "4");
        QCOMPARE(m_hub->activePorts(), QSet<int>({0, 1, 3}));

        // A page whose exchange failed asks for its port again, read at the monitor's next free turn.
        m_adapter.setPort(1, Mode::Deactivated); // the device was unplugged from Port2
        m_adapter.clearLog();
        PortStatusMonitor::relearn(1);
        PortStatusMonitor::relearn(42);                          // not a port: ignored
        QVERIFY(pollNow(monitor) == 0 && pollNow(monitor) == 1); // the request was used up
        QCOMPARE(asked(), "2");
        QCOMPARE(m_hub->activePorts(), QSet<int>({0, 3}));

        // A silent adapter: nothing is active until it answers, then every port is read again.
        m_adapter.faults().silent = true;
        PortStatusMonitor::relearn(0);
        QCOMPARE(pollNow(monitor), -1);
        QVERIFY(!monitor.adapterAnswers() && m_hub->activePorts().isEmpty());
        m_adapter.faults().silent = false;
        m_adapter.clearLog();
        QCOMPARE(pollNow(monitor), 0);
        QCOMPARE(asked(), "1 2 3 4 5 6 7 8");
        QCOMPARE(m_hub->activePorts(), QSet<int>({0, 3}));
    }

    // Another program writes the mailbox while a transaction waits: its answer is not taken.
    void transactionRefusesForeignAnswers()
    {
        m_adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        m_adapter.faults().isduLatencyMs = 30;
        const std::unique_ptr<LinkReply> reply(
            m_hub->link()->exchangeIsdu(IsduRequestBlock::read(1, 16, 0), 200, nullptr, 10));
        QSignalSpy finished(reply.get(), &LinkReply::finished);
        QTimer::singleShot(5, [this] { m_link->writeIsduRequest(IsduRequestBlock::read(2, 0, 0)); });
        QVERIFY(finished.wait());
        QCOMPARE(int(reply->isdu().outcome), int(IsduOutcome::NotOurs));
    }

    // Many users at once with late answers: each transaction runs whole, so every reply holds its own request's
    // answer, and the polls and writes queued between them come only between transactions.
    void everyReplyGetsItsOwnAnswer()
    {
        m_adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        const QList<quint16> indexes{0, 16, 18, 21, 24, 36};
        QMap<quint16, QByteArray> expected;
        for (quint16 index : indexes)
            expected.insert(index, IsduResponseBlock(SimHelpers::isdu(3, 1, index, 0)).data());
        m_adapter.faults().isduLatencyMs = 45;
        m_adapter.faults().lateAnswerMs = 4;
        m_adapter.clearLog();
        AdapterLink *link = m_hub->link();
        QObject owner;
        QMap<quint16, LinkReply *> reads;
        for (quint16 index : indexes) {
            reads.insert(index, link->exchangeIsdu(IsduRequestBlock::read(1, index, 0), 400, &owner, 10));
            link->readRegisters(0x3000, 24, &owner);
            link->writeRegisters(0x8000, hex("00 01"), &owner);
        }
        QVERIFY(SimHelpers::linkIdle());
        for (quint16 index : indexes) {
            QVERIFY(reads.value(index)->isdu().succeeded());
            QCOMPARE(reads.value(index)->job().request.index(), index);
            QCOMPARE(reads.value(index)->isdu().response.data(), expected.value(index));
        }
        // R request, r response read, b status block, w output write.
        QString frames;
        for (const VirtualAdapter::Exchange &x : m_adapter.log()) {
            const QByteArray head = x.request.mid(1, 4).toHex();
            frames += head == "01103500" ? 'R' : head == "01033600" ? 'r' : head == "01033000" ? 'b' : 'w';
        }
        QVERIFY2(QRegularExpression("^(Rr+bw){6}$").match(frames).hasMatch(), qPrintable(frames));
    }

    // One program per adapter: a second link, as a second program's would be, is refused and told who holds
    // the adapter, and gets it once the first has closed it.
    void secondUserIsRefused()
    {
        AdapterLink second;
        std::unique_ptr<LinkReply> open(second.openDevice());
        open->waitForFinished();
        QVERIFY(!open->succeeded() && !second.isConnected());
        QCOMPARE(second.lockHolder(),
                 QCoreApplication::applicationName() + ", PID " + QString::number(QCoreApplication::applicationPid()));
        std::unique_ptr<LinkReply> close(m_hub->link()->closeDevice());
        close->waitForFinished();
        open.reset(second.openDevice());
        open->waitForFinished();
        QVERIFY(open->succeeded() && second.isConnected() && second.lockHolder().isEmpty());
    }

    // A reply deleted before its job starts cancels it; shutting down drops what is queued, lets the job in
    // flight end at its next step, and nothing reaches the adapter afterwards.
    void cancelAndShutDown()
    {
        m_adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        m_adapter.faults().isduLatencyMs = 300;
        AdapterLink *link = m_hub->link();
        QObject owner;
        LinkReply *inFlight = link->exchangeIsdu(IsduRequestBlock::read(1, 16, 0), 1000, &owner, 20);
        delete link->exchangeIsdu(IsduRequestBlock::read(1, 18, 0), 1000, &owner, 20);
        LinkReply *queued = link->readRegisters(0x3000, 1, &owner);
        QSignalSpy queuedDone(queued, &LinkReply::finished);
        QTest::qWait(80);
        link->shutdown();
        const int sent = m_adapter.log().size();
        QVERIFY(queuedDone.wait());
        QVERIFY(inFlight->isFinished() && int(inFlight->isdu().outcome) == int(IsduOutcome::Cancelled));
        QVERIFY(!queued->succeeded() && !queued->result().ran && !link->isConnected());

        LinkReply *late = link->writeRegisters(0x8000, hex("00 01"), &owner);
        QSignalSpy lateDone(late, &LinkReply::finished);
        QVERIFY(lateDone.wait() && !late->succeeded());
        QTest::qWait(50);
        QCOMPARE(m_adapter.log().size(), sent);
        QCOMPARE(asked(), "1"); // index 18 never went out
    }
};

QTEST_MAIN(tst_link)
#include "tst_link.moc"
