// The main window as a user first sees it, on the virtual adapter.

#include "app/iolinkmainwindow.h"
#include "defaultsetup.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "virtualadapter.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

class tst_mainwindow : public QObject
{
    Q_OBJECT

private slots:
    void startsWithoutAdapter();
    void roleSelector();
    void linkIsSharedThroughTheHub();
};

void tst_mainwindow::startsWithoutAdapter()
{
    VirtualAdapter::instance().reset();
    VirtualAdapter::instance().faults().absent = true;
    QElapsedTimer t;
    t.start();
    IOLinkMainWindow w;
    w.initPortViews(8);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(t.elapsed() < 2000);

    auto *tree = w.findChild<QTreeWidget *>(QStringLiteral("treeWidget"));
    QVERIFY(tree);
    QCOMPARE(tree->headerItem()->text(0), QStringLiteral("VANTO-HUB8"));
    QCOMPARE(tree->topLevelItemCount(), 8);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(tree->topLevelItem(i)->text(0), QStringLiteral("Port%1").arg(i + 1));

    auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QStringLiteral("适配器详情"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("适配器通信参数"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("适配器端口配置"));
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->widget(0)->metaObject()->className(), "AdapterView");

    QVERIFY(common::instance()->modbus);
    QVERIFY(!common::instance()->modbus->isOpen());
    quint16 v = 0;
    QCOMPARE(common::instance()->modbus->readRegister(0x9000, v), -1);
    QVERIFY(w.findChild<QStackedWidget *>(QStringLiteral("portView"))->maximumHeight() == 1);
}

void tst_mainwindow::roleSelector()
{
    IOLinkMainWindow w;
    w.initPortViews(8);
    auto *role = w.findChild<QComboBox *>(QStringLiteral("cbox_role"));
    QVERIFY(role);
    const QStringList texts{QStringLiteral("投产模式"), QStringLiteral("维护模式"), QStringLiteral("操作模式")};
    const QStringList sets{QStringLiteral("SpecialistRoleMenuSet"), QStringLiteral("MaintenanceRoleMenuSet"),
                           QStringLiteral("ObserverRoleMenuSet")};
    QCOMPARE(role->count(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(role->itemText(i), texts.at(i));
        QCOMPARE(role->itemData(i, Qt::UserRole + 1).toString(), sets.at(i));
    }
    QCOMPARE(w.roleMenuSet(), sets.at(0));
    role->setCurrentIndex(2);
    QCOMPARE(w.roleMenuSet(), sets.at(2));
    role->setCurrentIndex(1);
    QCOMPARE(w.roleMenuSet(), sets.at(1));
}

void tst_mainwindow::linkIsSharedThroughTheHub()
{
    // With the adapter present, a window opens the one link kept by the hub.
    applyDefaultSetup(VirtualAdapter::instance());
    IOLinkMainWindow w;
    w.initPortViews(8);
    myModbus *link = common::instance()->modbus;
    QVERIFY(link && link->isOpen());
    QCOMPARE(common::instance(), common::instance());
    QString text;
    QCOMPARE(link->readRegistersText(0x3000, 3, text), 0);
    QCOMPARE(text, QStringLiteral("1024,888,257"));   // Port1: operate, vendor 888, device 0x000101
}

QTEST_MAIN(tst_mainwindow)
#include "tst_mainwindow.moc"
