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
        for (int i = 0; i < 3; ++i)
            QCOMPARE(tabs->tabText(i), QStringList({"适配器详情", "适配器通信参数", "适配器端口配置"}).at(i));
        QCOMPARE(tabs->widget(0)->metaObject()->className(), "AdapterView");

        quint16 v = 0;
        QVERIFY(common::instance()->modbus && !common::instance()->modbus->isOpen());
        QCOMPARE(common::instance()->modbus->readRegister(0x9000, v), -1);   // fails at once, no I/O
        QCOMPARE(w.findChild<QStackedWidget *>(QStringLiteral("portView"))->maximumHeight(), 1);
    }

    void roleSelectorAndSharedLink()
    {
        // With the adapter present, the window opens the one link kept by the hub.
        applyDefaultSetup(VirtualAdapter::instance());
        IOLinkMainWindow w;
        w.initPortViews(8);
        myModbus *link = common::instance()->modbus;
        QString text;
        QVERIFY(link && link->isOpen() && link->readRegistersText(0x3000, 3, text) == 0);
        QCOMPARE(text, QStringLiteral("1024,888,257"));   // Port1: operate, vendor 888, device 0x000101

        auto *role = w.findChild<QComboBox *>(QStringLiteral("cbox_role"));
        QVERIFY(role && role->count() == 3);
        const QStringList texts{"投产模式", "维护模式", "操作模式"};
        const QStringList sets{"SpecialistRoleMenuSet", "MaintenanceRoleMenuSet", "ObserverRoleMenuSet"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(role->itemText(i), texts.at(i));
            QCOMPARE(role->itemData(i, Qt::UserRole + 1).toString(), sets.at(i));
        }
        QCOMPARE(w.roleMenuSet(), sets.at(0));
        role->setCurrentIndex(2);
        QCOMPARE(w.roleMenuSet(), sets.at(2));
    }
};

QTEST_MAIN(tst_mainwindow)
#include "tst_mainwindow.moc"
