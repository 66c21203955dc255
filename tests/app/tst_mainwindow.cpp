// The main window as a user first sees it, on the virtual adapter.

#include "adapter/widgat_adapter.h"
#include "app/iolinkmainwindow.h"
#include "defaultsetup.h"
#include "library/widget_loading.h"
#include "library/widget_productname.h"
#include "link/common.h"
#include "link/linkreconnector.h"
#include "link/mymodbus.h"
#include "link/portstatusmonitor.h"
#include "params/widget_parameter.h"
#include "virtualadapter.h"

#include <QtTest>
#include <QtWidgets>

class tst_mainwindow : public QObject
{
    Q_OBJECT

    static QString linkStatus(const IOLinkMainWindow &w)
    {
        return w.findChild<QLabel *>(QStringLiteral("label_linkStatus"))->text();
    }
    static void click(IOLinkMainWindow &w, int port)
    {
        auto *tree = w.findChild<QTreeWidget *>(QStringLiteral("treeWidget"));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                          tree->visualItemRect(tree->topLevelItem(port)).center());
    }
    static int statusReads()
    {
        int n = 0;
        for (const auto &ex : VirtualAdapter::instance().log())
            n += ex.request.mid(1, 4) == QByteArray::fromHex("01033000");
        return n;
    }
    // A window on the default set-up with a freshly opened link.
    static void startWindow(IOLinkMainWindow &w)
    {
        applyDefaultSetup(VirtualAdapter::instance());
        VirtualAdapter::instance().faults().isduLatencyMs = 0;
        if (common::instance()->modbus)
            common::instance()->modbus->closeDevice();
        w.initPortViews(8);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
    }

private slots:
    void initTestCase() { QDir::setCurrent(QCoreApplication::applicationDirPath()); }

    void startsWithoutAdapter()
    {
        VirtualAdapter::instance().faults().absent = true;
        QElapsedTimer t;
        t.start();
        IOLinkMainWindow w;
        w.initPortViews(8);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w) && t.elapsed() < 2000);

        auto *tree = w.findChild<QTreeWidget *>(QStringLiteral("treeWidget"));
        QVERIFY(tree && tree->topLevelItemCount() == 8);
        QCOMPARE(tree->headerItem()->text(0), QStringLiteral("VANTO-HUB8"));
        for (int i = 0; i < 8; ++i)
            QCOMPARE(tree->topLevelItem(i)->text(0), QStringLiteral("Port%1").arg(i + 1));

        auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        QVERIFY(tabs && tabs->count() == 3);
        QCOMPARE(tabs->widget(0)->metaObject()->className(), "AdapterView");

        quint16 v = 0;
        QVERIFY(common::instance()->modbus && !common::instance()->modbus->isOpen());
        QCOMPARE(common::instance()->modbus->readRegister(0x9000, v), -1); // fails at once, no I/O
        QCOMPARE(w.findChild<QStackedWidget *>(QStringLiteral("portView"))->maximumHeight(), 1);
        QCOMPARE(linkStatus(w), QStringLiteral("适配器未连接，正在重新连接…"));
    }

    // Clicks while the adapter is silent add no status poll of their own: each
    // would hold the window for the read timeout.
    void silentAdapterIsNotPolledOnClick()
    {
        IOLinkMainWindow w;
        startWindow(w);
        QCOMPARE(linkStatus(w), QStringLiteral("适配器已连接"));
        click(w, 0);
        QCOMPARE(statusReads(), 2); // at start-up and for the click

        VirtualAdapter::instance().faults().silent = true;
        w.portMonitor()->poll();
        QCOMPARE(linkStatus(w), QStringLiteral("适配器无应答"));
        VirtualAdapter::instance().clearLog();
        click(w, 2);
        click(w, 0);
        QCOMPARE(statusReads(), 0);
        QCOMPARE(w.findChild<QTreeWidget *>()->topLevelItem(0)->toolTip(0), QStringLiteral("适配器未连接"));

        VirtualAdapter::instance().faults().silent = false; // the schedule finds it again
        QTRY_COMPARE_WITH_TIMEOUT(linkStatus(w), QStringLiteral("适配器已连接"), 3000);
        click(w, 2);
        QCOMPARE(statusReads(), 2);
    }

    // Unplugged in the middle of "读（全部）": the read ends at once with the
    // overlay closed and the link free, the window says so and opens the
    // adapter again when it is back; the pages work without a restart.
    void unplugDuringParameterReadAndReplug()
    {
        IOLinkMainWindow w;
        startWindow(w);
        QTimer::singleShot(50, this, []() { // confirms the first device variant
            if (auto *dialog = qobject_cast<widget_productName *>(QApplication::activeModalWidget())) {
                dialog->findChild<QTableWidget *>(QStringLiteral("table"))->setCurrentCell(0, 0);
                QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pbtn_enter")), Qt::LeftButton);
            }
        });
        click(w, 1);
        auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        auto *page = tabs->widget(3)->findChild<widget_Parameter *>();
        QVERIFY(page);
        VirtualAdapter &adapter = VirtualAdapter::instance();
        adapter.clearLog();
        adapter.faults().unplugAfterWrite = true;
        QSignalSpy loading(common::instance(), &common::sig_openLoading);
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("pbtn_read")), Qt::LeftButton);

        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(adapter.log().size(), 1); // the first request only
        QVERIFY(!common::instance()->modbus->busy && !w.findChild<widget_loading *>()->isVisible());
        QVERIFY(loading.size() == 2 && !loading.last().at(0).toBool());
        QCOMPARE(linkStatus(w), QStringLiteral("适配器未连接，正在重新连接…"));
        QTRY_VERIFY_WITH_TIMEOUT(common::instance()->activePorts.isEmpty(), 2000);
        QCOMPARE(w.findChild<QTreeWidget *>()->topLevelItem(1)->toolTip(0), QStringLiteral("适配器未连接"));

        adapter.faults().unplugged = false;
        QTRY_COMPARE_WITH_TIMEOUT(linkStatus(w), QStringLiteral("适配器已连接"),
                                  LinkReconnector::retryIntervalMs + 2000);
        QTRY_COMPARE_WITH_TIMEOUT(common::instance()->activePorts, (QSet<int>{0, 1, 3, 5, 7}), 2000);
        QVERIFY(w.findChild<QTreeWidget *>()->topLevelItem(1)->toolTip(0).contains(QStringLiteral("101101")));

        // The ISDU console of Port1 reads the vendor name over the reopened link.
        click(w, 0);
        auto *console = tabs->widget(3)->findChild<widgat_adapter *>();
        QVERIFY(console);
        console->findChild<QComboBox *>(QStringLiteral("cbox_Control"))->setCurrentIndex(3);
        console->findChild<QSpinBox *>(QStringLiteral("sbox_index"))->setValue(16);
        QTest::mouseClick(console->findChild<QPushButton *>(QStringLiteral("pbtn_send")), Qt::LeftButton);
        QVERIFY(console->findChild<QTextEdit *>(QStringLiteral("textEdit_read"))
                    ->toPlainText()
                    .endsWith(QStringLiteral("56 61 6E 74 6F 20 53 79 73 74 65 6D 73"))); // "Vanto Systems"
    }

    void roleSelectorAndSharedLink()
    {
        // With the adapter present, the window opens the one link kept by the hub.
        applyDefaultSetup(VirtualAdapter::instance());
        IOLinkMainWindow w;
        w.initPortViews(8);
        QVERIFY(common::instance()->modbus && common::instance()->modbus->isOpen());

        auto *role = w.findChild<QComboBox *>(QStringLiteral("cbox_role"));
        QVERIFY(role && role->count() == 3);
        const QStringList sets{"SpecialistRoleMenuSet", "MaintenanceRoleMenuSet", "ObserverRoleMenuSet"};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(role->itemText(i) + ' ' + role->itemData(i, Qt::UserRole + 1).toString(),
                     QStringList({"投产模式", "维护模式", "操作模式"}).at(i) + ' ' + sets.at(i));
        QCOMPARE(w.roleMenuSet(), sets.at(0));
        role->setCurrentIndex(2);
        QCOMPARE(w.roleMenuSet(), sets.at(2));
    }
};

QTEST_MAIN(tst_mainwindow)
#include "tst_mainwindow.moc"
