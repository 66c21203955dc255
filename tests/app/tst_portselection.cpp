// Clicking ports in the tree of the main window, on the virtual adapter.

#include "adapter/widgat_adapter.h"
#include "app/iolinkmainwindow.h"
#include "defaultsetup.h"
#include "genericdevice.h"
#include "library/widget_iodd.h"
#include "library/widget_productname.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "link/portstatusmonitor.h"
#include "port/portitemview.h"
#include "virtualadapter.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

class tst_portselection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void evenPortShowsTheBuiltInDevice();
    void oddPortShowsTheConsole();
    void cancelledVariantDialogKeepsPreviousTabs();
    void clickWithoutAdapterBuildsThePages();
    void portStatesShowInTheTree();
    void findsTheBuiltInDescriptionFromAnotherDirectory();
    void libraryFileLoadsForTheSelectedPort();
    void libraryWithoutSelectedPortCannotConfirm();
    void consoleLooksUpTheConnectedDevice();

private:
    void click(int port);
    // Answers the next variant dialog: confirms `row`, or closes it when row < 0.
    void answerVariantDialog(int row);
    QStringList tabTexts() const;

    IOLinkMainWindow *window = nullptr;
    QTabWidget *tabs = nullptr;
    QTreeWidget *tree = nullptr;
    bool dialogSeen = false;
};

void tst_portselection::initTestCase()
{
    // Started from the folder of the executable, like the run script does.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
}

void tst_portselection::init()
{
    applyDefaultSetup(VirtualAdapter::instance());
    VirtualAdapter::instance().faults().isduLatencyMs = 0;
    if (common::instance()->modbus)
        common::instance()->modbus->closeDevice();   // a fresh handle for every case
    window = new IOLinkMainWindow;
    window->initPortViews(8);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    tabs = window->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    tree = window->findChild<QTreeWidget *>(QStringLiteral("treeWidget"));
    dialogSeen = false;
}

void tst_portselection::cleanup()
{
    delete window;
    window = nullptr;
}

void tst_portselection::click(int port)
{
    QTreeWidgetItem *item = tree->topLevelItem(port);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualItemRect(item).center());
}

void tst_portselection::answerVariantDialog(int row)
{
    QTimer::singleShot(50, this, [this, row]() {
        auto *dialog = qobject_cast<widget_productName *>(QApplication::activeModalWidget());
        if (!dialog) {
            answerVariantDialog(row);   // not up yet
            return;
        }
        dialogSeen = true;
        if (row < 0) {
            dialog->close();
            return;
        }
        auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("table"));
        table->setCurrentCell(row, 0);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pbtn_enter")), Qt::LeftButton);
    });
}

QStringList tst_portselection::tabTexts() const
{
    QStringList texts;
    for (int i = 0; i < tabs->count(); ++i)
        texts << tabs->tabText(i);
    return texts;
}

void tst_portselection::evenPortShowsTheBuiltInDevice()
{
    answerVariantDialog(1);
    click(1);
    QVERIFY(dialogSeen);
    QCOMPARE(tabTexts().mid(0, 4), (QStringList{QStringLiteral("适配器详情"), QStringLiteral("适配器通信参数"),
                                                QStringLiteral("适配器端口配置"), QStringLiteral("Basic info")}));
    QCOMPARE(tabTexts().mid(4), (QStringList{QStringLiteral("In port"), QStringLiteral("Out port"),
                                             QStringLiteral("Message event")}));
    QWidget *basic = tabs->widget(3);
    QCOMPARE(basic->findChild<QLineEdit *>(QStringLiteral("edit_vendorID"))->text(), QStringLiteral("1484"));
    QCOMPARE(basic->findChild<QLineEdit *>(QStringLiteral("edit_DeviceID"))->text(), QStringLiteral("101101"));
    QCOMPARE(basic->findChild<QLineEdit *>(QStringLiteral("edit_vendorName"))->text(), QStringLiteral("Pellamar"));
    auto *wires = basic->findChild<QTableWidget *>(QStringLiteral("table_connect"));
    QCOMPARE(wires->rowCount(), 4);
    QCOMPARE(wires->item(0, 1)->text(), QStringLiteral("BN"));
    for (const char *name : {"label_log", "label_device", "label_connect"}) {
        const QPixmap pixmap = basic->findChild<QLabel *>(QLatin1String(name))->pixmap(Qt::ReturnByValue);
        QVERIFY2(!pixmap.isNull(), name);
    }
    QCOMPARE(basic->findChild<QLabel *>(QStringLiteral("label_log"))->pixmap(Qt::ReturnByValue).size(), QSize(160, 90));
    QVERIFY(!basic->findChild<widgat_adapter *>());
    QCOMPARE(window->findChild<QStackedWidget *>(QStringLiteral("portView"))->currentIndex(), 1);
}

void tst_portselection::oddPortShowsTheConsole()
{
    answerVariantDialog(0);
    click(3);
    QVERIFY(tabs->count() > 4);
    click(2);
    QCOMPARE(tabTexts().size(), 4);
    QCOMPARE(tabTexts().last(), QStringLiteral("Basic info"));
    QWidget *basic = tabs->widget(3);
    auto *console = basic->findChild<widgat_adapter *>();
    QVERIFY(console);
    QCOMPARE(console->findChild<QComboBox *>(QStringLiteral("cbox_port"))->count(), 8);
    QCOMPARE(console->findChild<QComboBox *>(QStringLiteral("cbox_port"))->currentIndex(), 2);
    QCOMPARE(basic->findChild<QLineEdit *>(QStringLiteral("edit_vendorName"))->text(), QString());
    QCOMPARE(basic->findChild<QTableWidget *>(QStringLiteral("table_connect"))->rowCount(), 0);
}

void tst_portselection::cancelledVariantDialogKeepsPreviousTabs()
{
    click(0);
    QWidget *before = tabs->widget(3);
    QVERIFY(before);
    answerVariantDialog(-1);
    click(5);
    QVERIFY(dialogSeen);
    QCOMPARE(tabs->count(), 4);
    QCOMPARE(tabs->widget(3), before);
    QVERIFY(before->findChild<widgat_adapter *>());
}

void tst_portselection::clickWithoutAdapterBuildsThePages()
{
    VirtualAdapter::instance().faults().unplugged = true;
    answerVariantDialog(0);
    click(7);
    QCOMPARE(tabTexts().at(3), QStringLiteral("Basic info"));
    QVERIFY(common::instance()->activePorts.isEmpty());
    click(0);
    QCOMPARE(tabTexts().size(), 4);
}

void tst_portselection::portStatesShowInTheTree()
{
    portStatusMonitor *monitor = window->portMonitor();
    QVERIFY(monitor);
    QCOMPARE(common::instance()->activePorts, (QSet<int>{0, 1, 3, 5, 7}));
    QVERIFY(tree->topLevelItem(2)->toolTip(0).contains(QStringLiteral("DI")));
    QVERIFY(tree->topLevelItem(1)->toolTip(0).contains(QStringLiteral("101101")));
    QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("Port2"));
    VirtualAdapter::instance().port(1).mode = VirtualAdapter::Mode::CommunicationLost;
    QTRY_VERIFY_WITH_TIMEOUT(!common::instance()->activePorts.contains(1), 2500);
    QVERIFY(tree->topLevelItem(1)->toolTip(0).contains(QStringLiteral("通信中断")));
}

void tst_portselection::findsTheBuiltInDescriptionFromAnotherDirectory()
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    const QString path = IOLinkMainWindow::resolveDefaultIoddPath();
    QDir::setCurrent(previous);
    QVERIFY2(QFileInfo::exists(path), qPrintable(path));
    QVERIFY(QFileInfo(path).isAbsolute());
}

void tst_portselection::libraryFileLoadsForTheSelectedPort()
{
    // A library with the built-in description only, beside a fresh "application".
    QTemporaryDir dir;
    const QString folder = QStringLiteral("1484_101101_V1.1_Pellamar-KTX-400A-M12-20240117-IODD1.1");
    QVERIFY(QDir(dir.path()).mkpath(folder));
    const QString source = QFileInfo(IOLinkMainWindow::resolveDefaultIoddPath()).absoluteFilePath();
    QVERIFY(QFile::copy(source, dir.path() + QLatin1Char('/') + folder + QLatin1Char('/')
                                    + QFileInfo(source).fileName()));
    widget_IODD::setLibraryDir(dir.path());

    tree->setCurrentItem(tree->topLevelItem(2));   // Port3: a console page until now
    click(2);
    QCOMPARE(tabs->count(), 4);
    QString delivered;
    QTimer::singleShot(50, this, [this, &delivered]() {
        auto *dialog = qobject_cast<widget_IODD *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        connect(dialog, &widget_IODD::sig_pbtnEnter, this, [&delivered](const QString &p) { delivered = p; });
        auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("table_show"));
        if (table->rowCount() != 1) {
            dialog->close();   // the checks below then fail
            return;
        }
        table->setCurrentCell(0, 0);
        answerVariantDialog(2);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pbtn_enter")), Qt::LeftButton);
    });
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("pbtn_library")), Qt::LeftButton);
    QTRY_VERIFY(dialogSeen);
    widget_IODD::setLibraryDir(QString());
    QVERIFY(delivered.startsWith(dir.path()));
    QTRY_COMPARE(tabTexts().size(), 7);
    QCOMPARE(tabs->widget(3)->findChild<QLineEdit *>(QStringLiteral("edit_DeviceID"))->text(),
             QStringLiteral("101101"));
    QVERIFY(!tabs->widget(3)->findChild<widgat_adapter *>());
    QCOMPARE(window->findChild<QStackedWidget *>(QStringLiteral("portView"))->currentIndex(), 2);
}

void tst_portselection::libraryWithoutSelectedPortCannotConfirm()
{
    bool enabled = true;
    QString reason;
    QTimer::singleShot(50, this, [&]() {
        auto *dialog = qobject_cast<widget_IODD *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto *enter = dialog->findChild<QPushButton *>(QStringLiteral("pbtn_enter"));
        enabled = enter->isEnabled();
        reason = enter->toolTip();
        dialog->close();
    });
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("pbtn_library")), Qt::LeftButton);
    QVERIFY(!enabled);
    QVERIFY(!reason.isEmpty());
    QCOMPARE(tabs->count(), 3);
}

void tst_portselection::consoleLooksUpTheConnectedDevice()
{
    // Port1 holds a device the library knows; Port7 none.
    GenericDevice::Identity known;
    known.vendorId = 1484;
    known.deviceId = 101101;
    VirtualAdapter::instance().setPort(0, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>(known));
    window->portMonitor()->poll();

    click(6);
    auto *button = tabs->widget(3)->findChild<QPushButton *>(QStringLiteral("pbtn_lookup"));
    QVERIFY(button);
    QVERIFY(!button->isEnabled());   // a deactivated port has no device to look up

    click(0);
    button = tabs->widget(3)->findChild<QPushButton *>(QStringLiteral("pbtn_lookup"));
    QVERIFY(button && button->isEnabled());
    answerVariantDialog(0);
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(dialogSeen);
    QTRY_COMPARE(tabTexts().size(), 7);
    QCOMPARE(tabs->widget(3)->findChild<QLineEdit *>(QStringLiteral("edit_vendorID"))->text(),
             QStringLiteral("1484"));
}

QTEST_MAIN(tst_portselection)
#include "tst_portselection.moc"
