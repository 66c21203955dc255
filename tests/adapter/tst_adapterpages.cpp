// The three adapter pages against the virtual adapter: USB identity and live
// link counters, the link's settings, and the selected port's device.

#include "adapter/adaptercommview.h"
#include "adapter/adapterportview.h"
#include "adapter/adapterview.h"
#include "defaultsetup.h"
#include "genericdevice.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "link/portstatusmonitor.h"
#include "virtualadapter.h"

#include <QtTest>
#include <QtWidgets>

using Mode = VirtualAdapter::Mode;

class tst_adapterpages : public QObject
{
    Q_OBJECT
    VirtualAdapter &adapter = VirtualAdapter::instance();
    common *hub = common::instance();

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
    void freshLink()
    {
        delete std::exchange(hub->modbus, new myModbus);
        QCOMPARE(hub->modbus->openDevice(), 0);
    }

private slots:
    void initTestCase() { QDir::setCurrent(QCoreApplication::applicationDirPath()); }
    void init()
    {
        applyDefaultSetup(adapter);
        adapter.faults().isduLatencyMs = 0;
        freshLink();
    }

    void everyFieldReadOnlyAndLabelled()
    {
        const QList<QWidget *> pages{new AdapterView, new AdapterCommView, new AdapterPortView};
        for (QWidget *page : pages) {
            for (QLabel *label : page->findChildren<QLabel *>())
                QVERIFY2(!label->text().isEmpty() && label->text() != "TextLabel", page->metaObject()->className());
            for (QLineEdit *edit : page->findChildren<QLineEdit *>())
                QVERIFY2(edit->isReadOnly(), qPrintable(edit->objectName()));
            QVERIFY(page->findChildren<QComboBox *>().isEmpty() && page->findChildren<QSpinBox *>().isEmpty());
        }
        // The settings the adapter offers no command for say so.
        QVERIFY(pages.at(1)->findChild<QLineEdit *>("edit_slaveAddress")->toolTip().contains("没有"));
        QVERIFY(pages.at(2)->findChild<QLineEdit *>("edit_mode")->toolTip().contains("没有"));
        QVERIFY(pages.at(2)->findChild<QLineEdit *>("edit_minCycleTime")->toolTip().contains("没有"));
        qDeleteAll(pages);
    }

    void detailsShowTheUsbIdentityAndLiveCounters()
    {
        AdapterView page;
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QCOMPARE(QStringList({text(&page, "edit_manufacturer"), text(&page, "edit_product"),
                              text(&page, "edit_serialNumber"), text(&page, "edit_release"), text(&page, "edit_usbId"),
                              text(&page, "edit_path")}),
                 QStringList({"Vanto Systems", "VANTO-HUB8 IO-Link Master", "VH8-24-000417", "1.00", "2e3c:af01",
                              "virtual:2e3c:af01"}));
        QCOMPARE(text(&page, "edit_connection"), QString("已连接"));
        QCOMPARE(text(&page, "edit_framesSent"), QString("0"));

        quint16 value = 0;
        QCOMPARE(hub->modbus->readRegister(0x9000, value), 0);
        QCOMPARE(hub->modbus->readRegister(0x9020, value), 0);
        adapter.faults().silent = true;
        hub->modbus->readRegister(0x9000, value); // times out
        QTRY_COMPARE_WITH_TIMEOUT(text(&page, "edit_framesSent") + "/" + text(&page, "edit_answers") + "/"
                                      + text(&page, "edit_timeouts"),
                                  QString("3/2/1"), 2000);

        // Unplugged: the identity is gone with it.
        adapter.faults().absent = true;
        hub->modbus->closeDevice();
        page.hide();
        page.show();
        QCOMPARE(text(&page, "edit_manufacturer") + "/" + text(&page, "edit_path"),
                 QString("未找到适配器/未找到适配器"));
        QVERIFY(text(&page, "edit_connection").startsWith("未连接"));
    }

    void commPageShowsTheLinkSettings()
    {
        AdapterCommView page;
        QCOMPARE(text(&page, "edit_slaveAddress") + " " + text(&page, "edit_readTimeout"), QString("0x01 1000 ms"));
        QVERIFY(text(&page, "edit_reportSize").startsWith("65 "));
        QCOMPARE(text(&page, "edit_paramItemRead"), QString("-")); // not handed in yet
        page.setPageTimings({100, 200, 200, 400, 300, 200});
        QCOMPARE(text(&page, "edit_paramRecordWrite") + " " + text(&page, "edit_pdInPoll"), QString("400 ms 300 ms"));
    }

    void portPageFollowsThePortAndItsDevice_data()
    {
        QTest::addColumn<bool>("statusBlock");
        QTest::newRow("status block") << true;
        QTest::newRow("no status block") << false;
    }
    void portPageFollowsThePortAndItsDevice()
    {
        QFETCH(bool, statusBlock);
        adapter.setPortStatusBlock(statusBlock);
        portStatusMonitor monitor;
        QCOMPARE(monitor.poll(), 0);
        AdapterPortView page;
        page.setPortMonitor(&monitor);
        QCOMPARE(text(&page, "edit_port"), QString("未选择端口"));
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));

        page.setPort(1);
        QCOMPARE(portLine(&page), QString("Port2: IO-Link 运行 | 1484 (0x05CC) | 101101 (0x018AED) | 5.0 ms"));
        page.setPort(0);
        QCOMPARE(portLine(&page), QString("Port1: IO-Link 运行 | 888 (0x0378) | 257 (0x000101) | 3.0 ms"));
        page.setPort(2);
        const QString diMode = statusBlock ? QString("DI") : portModeText(PortState::modeUnknown);
        QCOMPARE(portLine(&page), QString("Port3: %1 | - | - | -").arg(diMode));
        QVERIFY(text(&page, "edit_source").contains(statusBlock ? "状态块" : "直接参数页"));

        // Another device on Port1: the page reads it when asked to.
        page.setPort(0);
        const GenericDevice::Identity other{4660, 0xABCDEF};
        adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>(other));
        QTest::mouseClick(page.findChild<QPushButton *>("pbtn_read"), Qt::LeftButton);
        QCOMPARE(text(&page, "edit_deviceId"), QString("11259375 (0xABCDEF)"));
    }
};

QTEST_MAIN(tst_adapterpages)
#include "tst_adapterpages.moc"
