// The adapter pages against the virtual adapter: USB identity and live link counters, the selected port's
// device, and the ISDU console (request blocks, clearing, link failures, busy flag).

#include "adapterpages/adapterdetailspage.h"
#include "adapterpages/adapterportpage.h"
#include "adapterpages/isduconsole.h"
#include "consoledriver.h"
#include "defaultsetup.h"
#include "genericdevice.h"
#include "link/portstatusmonitor.h"
#include "simhelpers.h"
#include "testhelpers.h"

#include <QtTest>
#include <QtWidgets>

using TestHelpers::hex;

class tst_adapterpages : public QObject, ConsoleDriver::Console
{
    Q_OBJECT
    VirtualAdapter &m_adapter = VirtualAdapter::instance();
    LinkHub *m_hub = LinkHub::instance();

    static QString text(QWidget *page, const char *name)
    {
        auto *edit = page->findChild<QLineEdit *>(QLatin1String(name));
        return edit ? edit->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
    }
    // "Port2: IO-Link 运行 | 1484 (0x05CC) | 101101 (0x018AED) | 5.0 ms"
    static QString portLine(QWidget *page)
    {
        return QStringLiteral("%1: %2 | %3 | %4 | %5")
            .arg(text(page, "edit_port"), text(page, "edit_mode"), text(page, "edit_vendorId"),
                 text(page, "edit_deviceId"), text(page, "edit_minCycleTime"));
    }
    // Sends and checks that the link and the button are free again.
    void sendAndWait(int operation, int index, int subIndex, int length, const QString &data = QString())
    {
        send(operation, index, subIndex, length, data);
        QTRY_VERIFY(child<QPushButton>("pbtn_send")->isEnabled());
        QVERIFY(SimHelpers::linkIdle());
    }

private slots:
    void initTestCase() { QDir::setCurrent(QCoreApplication::applicationDirPath()); }
    void init()
    {
        applyDefaultSetup(m_adapter);
        m_adapter.faults().isduLatencyMs = 0;
        QVERIFY(SimHelpers::openHubLink());
        open();
    }
    void cleanup() { close(); }

    void detailsShowTheUsbIdentityAndLiveCounters()
    {
        AdapterDetailsPage page;
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QTRY_COMPARE(
            QStringList({text(&page, "edit_manufacturer"), text(&page, "edit_product"),
                         text(&page, "edit_serialNumber"), text(&page, "edit_release"), text(&page, "edit_usbId"),
                         text(&page, "edit_path"), text(&page, "edit_connection"), text(&page, "edit_framesSent")}),
            QStringList({"Vanto Systems", "VANTO-HUB8 IO-Link Master", "VH8-24-000417", "1.00", "2e3c:af01",
                         "virtual:2e3c:af01:" + QString::number(QCoreApplication::applicationPid()), "已连接", "0"}));
        QVERIFY(SimHelpers::readRegisters(0x9000, 1) == 0 && SimHelpers::readRegisters(0x9020, 1) == 0);
        m_adapter.faults().silent = true;
        SimHelpers::readRegisters(0x9000, 1); // times out
        QTRY_COMPARE_WITH_TIMEOUT(text(&page, "edit_framesSent") + "/" + text(&page, "edit_answers") + "/"
                                      + text(&page, "edit_timeouts"),
                                  "3/2/1", 2000);
    }

    // The port page shows the selected port's state; without the status block (the main window's case) it
    // comes from the device's direct parameter page.
    void portPageFollowsThePortAndItsDevice()
    {
        PortStatusMonitor monitor;
        QSignalSpy polled(&monitor, &PortStatusMonitor::pollFinished);
        QVERIFY(monitor.poll() == 0 && polled.wait());
        AdapterPortPage page;
        page.setPortMonitor(&monitor);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        page.setPort(1);
        QTRY_COMPARE(portLine(&page), "Port2: IO-Link 运行 | 1484 (0x05CC) | 101101 (0x018AED) | 5.0 ms");
        page.setPort(2);
        QTRY_COMPARE(portLine(&page), "Port3: DI | - | - | -");
        QVERIFY(text(&page, "edit_source").contains("状态块"));

        // Another device on Port1: the page reads it when asked to.
        page.setPort(0);
        QTRY_COMPARE(portLine(&page), "Port1: IO-Link 运行 | 888 (0x0378) | 257 (0x000101) | 3.0 ms");
        m_adapter.setPort(0, VirtualAdapter::Mode::IoLinkOperate,
                          std::make_unique<GenericDevice>(GenericDevice::Identity{4660, 0xABCDEF}));
        QTest::mouseClick(page.findChild<QPushButton *>("pbtn_read"), Qt::LeftButton);
        QTRY_COMPARE(text(&page, "edit_deviceId"), "11259375 (0xABCDEF)");
    }

    void consoleRequestBlock()
    {
        console->setPort(2);
        // Data field, length, bytes 7.. of the request block.
        const QList<std::tuple<QString, int, QByteArray>> rows{
            {QString(), 5, QByteArray(33, '\0')},                  // an empty field sends one zero byte
            {"1FF  a", 3, hex("ff 00 0a") + QByteArray(30, '\0')}, // the low byte; a double space is a zero
            {QString("1 2 3 4 5 6 7 8 9 a b c d e f 0 ").repeated(2) + 'e', 32,
             hex("01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 00").repeated(2) + '\0'}}; // at most 32 bytes
        for (const auto &[data, length, bytes] : rows) {
            m_adapter.clearLog();
            sendAndWait(2, 0x1234, 0x105, length, data);
            QCOMPARE(m_adapter.isduRequest(), hex("02 03 00 12 34 05") + char(length) + bytes); // subindex low byte
            QCOMPARE(m_adapter.log().size(), 2); // the request, then one read of the response
            QCOMPARE(m_adapter.log().at(1).request.mid(1, 6), hex("01 03 36 00 00 14"));
        }
    }

    void consoleClearAndLinkFailuresEndQuietly()
    {
        QSignalSpy replies(console, &IsduConsole::replied);
        QSignalSpy exec(console, &IsduConsole::exchangeRunning);
        sendAndWait(1, 16, 3, 9, "AA");
        QCOMPARE(m_adapter.isduRequest(), hex("01 01 00 00 10 03") + QByteArray(34, '\0')); // no length, no data
        QVERIFY(child<QComboBox>("cbox_Control")->currentText() == "无操作" && !child<QSpinBox>("sbox_index")->value());
        QVERIFY(replies.isEmpty() && exec.size() == 1); // only the start

        m_adapter.faults().unplugged = true;
        sendAndWait(3, 16, 0, 0);
        QCOMPARE(QList<QVariantList>(replies), (QList<QVariantList>{{3, 0}}));
        QVERIFY(exec.size() == 3 && m_adapter.isduRequestCount() == 1); // the clear only
    }
};

QTEST_MAIN(tst_adapterpages)
#include "tst_adapterpages.moc"
