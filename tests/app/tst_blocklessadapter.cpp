// The main window on an adapter without the port-status block: ports learned
// from their devices, pages that work on them, the adapter port page.

#include "adapter/adapterportview.h"
#include "app/iolinkmainwindow.h"
#include "defaultsetup.h"
#include "iodddevice.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "link/portstatusmonitor.h"
#include "params/widget_parameter.h"
#include "port/porteventlog.h"
#include "virtualadapter.h"

#include <QtTest>
#include <QtWidgets>

class tst_blocklessadapter : public QObject
{
    Q_OBJECT
    const QString fixturePath = HUB8_SOURCE_DIR "/tests/params/fixtures/parameters.xml";
    static constexpr int fixturePort = 3; // Port4
    VirtualAdapter &adapter = VirtualAdapter::instance();
    IOLinkMainWindow *window = nullptr;
    QTreeWidget *tree = nullptr;
    QTabWidget *tabs = nullptr;

    QString tip(int port) const { return tree->topLevelItem(port)->toolTip(0); }
    template <typename T>
    T *find(QWidget *in, const char *name)
    {
        return in->findChild<T *>(QLatin1String(name));
    }

private slots:
    void init()
    {
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        applyDefaultSetup(adapter);
        adapter.faults().isduLatencyMs = 0;
        adapter.setPortStatusBlock(false);
        QString error;
        auto device = IoddDevice::fromFile(fixturePath, QCoreApplication::applicationDirPath() + "/std", &error);
        QVERIFY2(device && device->writeIsdu(64, 0, "hello").ok(), qPrintable(error));
        adapter.setPort(fixturePort, VirtualAdapter::Mode::IoLinkOperate, std::move(device));
        if (common::instance()->modbus)
            common::instance()->modbus->closeDevice(); // a fresh handle for every case
        window = new IOLinkMainWindow;
        window->initPortViews(8);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        tree = find<QTreeWidget>(window, "treeWidget");
        tabs = find<QTabWidget>(window, "tabWidget");
    }
    void cleanup() { delete window; }

    void treeShowsWhatTheDevicesTell()
    {
        QCOMPARE(common::instance()->activePorts, (QSet<int>{0, 1, 3, 5, 7})); // not the DI, DO and off ports
        QVERIFY(tip(0).contains("IO-Link 运行") && tip(0).contains("Vendor ID 888, Device ID 257"));
        QVERIFY(tip(3).contains("Vendor ID 77, Device ID 7701"));
        for (int port : {2, 4, 6}) {
            QVERIFY2(tip(port).contains("未知") && !tip(port).contains("未连接"), qPrintable(tip(port)));
            QCOMPARE(window->portEvents()->events(port).size(), 0); // no "适配器无应答"
        }
    }

    void pagesWorkOnLearnedPorts()
    {
        window->onCreatePortInfo(fixturePath, fixturePort);
        auto *page = tabs->widget(3)->findChild<widget_Parameter *>();
        QVERIFY(page && page->port() == fixturePort);
        auto *table = find<QTableWidget>(page, "table_param");
        QTest::mouseClick(find<QPushButton>(page, "pbtn_read"), Qt::LeftButton);
        QCOMPARE(table->findItems("hello", Qt::MatchExactly).size(), 1);

        // The device leaves Port4: the parameter page's failed read makes the monitor look again.
        adapter.setPort(fixturePort, VirtualAdapter::Mode::Deactivated);
        QTest::mouseClick(find<QPushButton>(page, "pbtn_read"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!common::instance()->activePorts.contains(fixturePort),
                                 2 * portStatusMonitor::pollIntervalMs);
        QVERIFY(tip(fixturePort).contains("未知"));

        // The adapter port page follows the clicked port.
        tabs->setCurrentIndex(2);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                          tree->visualItemRect(tree->topLevelItem(0)).center());
        auto *portPage = qobject_cast<AdapterPortView *>(tabs->currentWidget());
        QVERIFY(portPage && portPage->port() == 0);
        QCOMPARE(find<QLineEdit>(portPage, "edit_minCycleTime")->text(), QString("3.0 ms"));
    }
};

QTEST_MAIN(tst_blocklessadapter)
#include "tst_blocklessadapter.moc"
