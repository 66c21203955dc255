// The main window on the virtual adapter: start-up, clicking ports in the tree, the pages built for them, the
// library, and an adapter that is absent, silent, unplugged or without the port-status block.

#include "adapterpages/adapterportpage.h"
#include "adapterpages/isduconsole.h"
#include "app/toolmain.h"
#include "defaultsetup.h"
#include "devicepages/basicinfopage.h"
#include "genericdevice.h"
#include "iodddevice.h"
#include "library/ioddlibrarydialog.h"
#include "library/ioddlookupbar.h"
#include "library/variantdialog.h"
#include "link/linkreconnector.h"
#include "link/portstatusmonitor.h"
#include "params/parameterpage.h"
#include "port/porteventlog.h"
#include "testhelpers.h"
#include "virtualadapter.h"
#include "windowdriver.h"

#include <QtTest>
#include <QtWidgets>

using WindowDriver::find;

class tst_mainwindow : public QObject, WindowDriver::Session
{
    Q_OBJECT
    VirtualAdapter &m_adapter = VirtualAdapter::instance();
    LinkHub *m_hub = LinkHub::instance();
    bool m_dialogSeen = false;

    QString tip(int port) const { return tree->topLevelItem(port)->toolTip(0); }
    // True when no ancestor up to the window cuts `w` off (nothing to scroll to see it whole).
    bool wholeInView(QWidget *w) const
    {
        for (QWidget *p = w->parentWidget(); p; p = p->parentWidget()) {
            if (!p->rect().contains(QRect(w->mapTo(p, QPoint(0, 0)), w->size())))
                return false;
            if (p == window)
                return true;
        }
        return false;
    }
    QString linkStatus() const { return find<QLabel>(window, "label_linkStatus")->text(); }
    QString basicText(const char *name) const { return find<QLineEdit>(tabs->widget(3), name)->text(); }
    int statusReads() const
    {
        int n = 0;
        for (const auto &ex : m_adapter.log())
            n += ex.request.mid(1, 4) == QByteArray::fromHex("01033000");
        return n;
    }

private slots:
    // Started from the folder of the executable, like the run script does.
    void initTestCase() { QDir::setCurrent(QCoreApplication::applicationDirPath()); }
    void init()
    {
        applyDefaultSetup(m_adapter);
        m_adapter.faults().isduLatencyMs = 0;
        m_dialogSeen = false;
        QVERIFY(reopen());
    }
    void cleanup()
    {
        closeWindow();
        QSettings().clear(); // what a case saved is not the next case's first start
    }

    // The tool turns off Qt's OpenGL probe for itself, but a choice the user made wins.
    void platformDefaultsLeaveTheUsersChoice()
    {
        const QByteArray saved = qgetenv("QT_XCB_GL_INTEGRATION");
        auto run = [](const char *value) {
            value ? qputenv("QT_XCB_GL_INTEGRATION", value) : qunsetenv("QT_XCB_GL_INTEGRATION");
            setPlatformDefaults();
            return qgetenv("QT_XCB_GL_INTEGRATION");
        };
        const QByteArrayList results{run(nullptr), run("xcb_glx")};
        saved.isNull() ? qunsetenv("QT_XCB_GL_INTEGRATION") : qputenv("QT_XCB_GL_INTEGRATION", saved);
        QCOMPARE(results, QByteArrayList({"none", "xcb_glx"}));
    }

    // Without an adapter the window comes up at once, its link fails without I/O, and a click still builds pages.
    void startsWithoutAdapter()
    {
        m_adapter.faults().absent = true;
        QElapsedTimer t;
        t.start();
        QVERIFY(reopen());
        QVERIFY(t.elapsed() < 2000);
        QVERIFY(tree->topLevelItemCount() == 8 && tabs->count() == 3);
        QVERIFY(!m_hub->link()->isOpen() && SimHelpers::readRegisters(0x9000, 1) == -1);
        QCOMPARE(linkStatus(), "适配器未连接，正在重新连接…");

        click(7); // no device known: its identification page alone, which says why
        QCOMPARE(tabTexts().mid(3), QStringList{"Basic info"});
        QCOMPARE(qobject_cast<BasicInfoPage *>(tabs->widget(3))->descriptionProblem(),
                 "适配器未应答，端口上的设备未知");
        QVERIFY(!tabs->widget(3)->findChild<IsduConsole *>() && m_hub->activePorts().isEmpty());
    }

    // Clicks while the adapter is silent add no status poll of their own: each would hold the window for the
    // read timeout.
    void silentAdapterIsNotPolledOnClick()
    {
        QCOMPARE(linkStatus(), "适配器已连接");
        QVERIFY(tip(2).contains("DI") && tip(1).contains("101101"));
        m_adapter.faults().silent = true;
        window->portMonitor()->poll();
        QTRY_COMPARE_WITH_TIMEOUT(linkStatus(), "适配器无应答", 3000);
        m_adapter.clearLog();
        click(2);
        click(0);
        QCOMPARE(statusReads(), 0);
        QCOMPARE(tip(0), "适配器未连接");

        m_adapter.faults().silent = false; // the schedule finds it again
        QTRY_COMPARE_WITH_TIMEOUT(linkStatus(), "适配器已连接", 3000);
        click(2);
        QCOMPARE(statusReads(), 2);
    }

    // Unplugged in the middle of "读（全部）": the read ends at once with the link free and the page saying so,
    // the window says so, opens the adapter again when it is back and finds the ports again.
    void unplugDuringParameterReadAndReplug()
    {
        chooseVariant(0);
        click(1);
        auto *page = tabs->widget(3)->findChild<ParameterPage *>();
        QVERIFY(page);
        m_adapter.clearLog();
        m_adapter.faults().unplugAfterWrite = true;
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(find<QPushButton>(page, "pbtn_read"), Qt::LeftButton);
        QTRY_VERIFY(!page->isRunning());

        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(m_adapter.log().size(), 1); // the first request only
        QCOMPARE(page->statusText(), "读取中断：适配器无应答");
        QCOMPARE(linkStatus(), "适配器未连接，正在重新连接…");
        QTRY_VERIFY_WITH_TIMEOUT(m_hub->activePorts().isEmpty(), 2000);
        QCOMPARE(tip(1), "适配器未连接");

        m_adapter.faults().unplugged = false;
        QTRY_COMPARE_WITH_TIMEOUT(linkStatus(), "适配器已连接", LinkReconnector::retryIntervalMs + 2000);
        QTRY_COMPARE_WITH_TIMEOUT(m_hub->activePorts(), (QSet<int>{0, 1, 3, 5, 7}), 2000);
    }

    // The device on the port picks the description, whatever the port's number: the built-in device's pages and
    // identity (its picture: tst_language), its parameters in the role chosen in the tool bar, the tab bar's scroll
    // buttons as before; a known identity that the library lacks gets no built-in pages but a line that opens the
    // library; a role change applies at once.
    void pagesFollowTheConnectedDevice()
    {
        m_adapter.setPort(0, VirtualAdapter::Mode::IoLinkOperate,
                          std::make_unique<GenericDevice>(GenericDevice::Identity{1484, 101101}));
        m_adapter.setPort(3, VirtualAdapter::Mode::IoLinkOperate,
                          std::make_unique<GenericDevice>(GenericDevice::Identity{888, 257}));
        window->portMonitor()->poll();
        QVERIFY(SimHelpers::linkIdle());
        find<QComboBox>(window, "cbox_role")->setCurrentIndex(1); // 维护模式
        chooseVariant(1, &m_dialogSeen);
        tabs->setUsesScrollButtons(true);
        click(0);
        QTRY_VERIFY(m_dialogSeen);
        QCOMPARE(tabTexts().join('|'),
                 "适配器详情|适配器通信参数|适配器端口配置|Basic info|In port|Out port|Message event|ISDU");
        QVERIFY(tabs->usesScrollButtons()); // held off only while the pages were added
        QCOMPARE(basicText("edit_vendorID") + '/' + basicText("edit_DeviceID") + '/' + basicText("edit_vendorName"),
                 "1484/101101/Pellamar");
        QVERIFY(tip(0).contains("Pellamar-KTX-400A-M12-20240117-IODD1.1.xml"));
        auto *page = tabs->widget(3)->findChild<ParameterPage *>();
        QVERIFY(page && !tabs->widget(3)->findChild<IsduConsole *>());
        QCOMPARE(QString("%1 %2").arg(page->port()).arg(page->role()), "0 MaintenanceRoleMenuSet");
        find<QComboBox>(window, "cbox_role")->setCurrentIndex(2);
        QCOMPARE(page->role(), "ObserverRoleMenuSet");

        click(3); // no variant dialog: nobody would answer it
        QVERIFY(!tabs->widget(3)->findChild<ParameterPage *>());
        auto *lookup = tabs->widget(3)->findChild<IoddLookupBar *>();
        QVERIFY(lookup && lookup->statusText().contains("Vendor ID 888 / Device ID 257"));
        QVERIFY(tip(3).contains("没有描述文件"));
        // Its identity from the device itself: direct parameter page 1 and the texts at 16 to 21.
        const auto field = [this](const char *name) { return find<QLineEdit>(tabs->widget(3), name)->text(); };
        QTRY_COMPARE(field("edit_serialNumber"), "SN0000001");
        QCOMPARE(QStringList({field("edit_vendorName"), field("edit_vendorID"), field("edit_DeviceID"),
                              field("edit_productName"), field("edit_productText"), field("edit_IOLinkRevision")}),
                 QStringList({"Vanto Systems", "888", "257", "IOL-GEN-1", "Generic IO-Link sensor", "1.1"}));
        QVERIFY2(field("edit_minCycleTime").endsWith(" ms"), qPrintable(field("edit_minCycleTime")));
        // Its button opens the library showing that device's files: none.
        int listed = -1;
        WindowDriver::onModal<IoddLibraryDialog>(this, [&listed](IoddLibraryDialog *dialog) {
            listed = find<QTableView>(dialog, "table_show")->model()->rowCount();
            dialog->close();
        });
        QTest::mouseClick(lookup->findChild<QPushButton *>(), Qt::LeftButton);
        QTRY_COMPARE(listed, 0);

        click(6); // off: nothing to make pages for
        QCOMPARE(tabTexts().mid(3), QStringList{"Basic info"});
        QCOMPARE(qobject_cast<BasicInfoPage *>(tabs->widget(3))->descriptionProblem(),
                 "端口上没有可识别的 IO-Link 设备（未激活）");
    }

    // Size, position, both splitters and the role come back when the window is opened again;
    // without usable settings it starts at its first-start size, centred, as the specialist.
    void windowRemembersGeometrySplittersAndRole()
    {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(window->size(), MainWindow::firstStartSize().boundedTo(screen.size()));

        const QRect placed(screen.topLeft() + QPoint(30, 20), QSize(900, 520));
        window->setGeometry(placed);
        auto *splitter = find<QSplitter>(window, "splitter");
        splitter->setSizes({splitter->widget(0)->minimumWidth() + 57, placed.width()});
        const QList<int> sizes = splitter->sizes();
        chooseVariant(0);
        click(1);
        tabs->setCurrentIndex(3);
        auto *pageSplitter = find<QSplitter>(tabs->widget(3), "splitter_page");
        pageSplitter->setSizes({pageSplitter->sizes().value(0) + 40, pageSplitter->sizes().value(1) - 40});
        emit pageSplitter->splitterMoved(pageSplitter->sizes().value(0), 1); // as the end of a drag
        const QList<int> pageSizes = pageSplitter->sizes();
        find<QComboBox>(window, "cbox_role")->setCurrentIndex(2);
        QVERIFY(window->close());

        QVERIFY(reopen());
        QCOMPARE(window->geometry(), placed);
        QCOMPARE(find<QSplitter>(window, "splitter")->sizes(), sizes);
        QCOMPARE(window->roleMenuSet() + ' ' + find<QComboBox>(window, "cbox_role")->currentText(),
                 "ObserverRoleMenuSet 操作模式");
        chooseVariant(0);
        click(1);
        tabs->setCurrentIndex(3);
        QCOMPARE(find<QSplitter>(tabs->widget(3), "splitter_page")->sizes(), pageSizes);

        QSettings().setValue("mainWindow/geometry", QByteArray("not a geometry"));
        QSettings().setValue("mainWindow/role", "NoSuchRoleMenuSet");
        QVERIFY(reopen());
        QCOMPARE(window->size(), MainWindow::firstStartSize().boundedTo(screen.size()));
        QCOMPARE(window->roleMenuSet() + ' ' + find<QComboBox>(window, "cbox_role")->currentText(),
                 "SpecialistRoleMenuSet 投产模式");
    }

    // At the first-start size (which fits a 1366 x 768 screen) the parameter table with its
    // buttons and the whole ISDU console are in view without scrolling the page.
    void firstStartSizeShowsTableAndConsoleWhole()
    {
        window->resize(MainWindow::firstStartSize());
        chooseVariant(0);
        click(1);
        tabs->setCurrentIndex(3);
        auto *table = find<QTableWidget>(tabs->widget(3), "table_param");
        QVERIFY(table && table->rowCount() > 10);
        QVERIFY(wholeInView(table));
        QVERIFY(table->rowViewportPosition(9) + table->rowHeight(9) <= table->viewport()->height()); // 10 rows

        click(0);
        tabs->setCurrentIndex(3);
        auto *console = tabs->widget(3)->findChild<IsduConsole *>();
        QVERIFY(console);
        QVERIFY(wholeInView(console));
        QVERIFY(console->height() >= console->minimumSizeHint().height());
    }

    // The window, its pages and the tool's dialogs write in 13-pixel type, the port tree in 14, the library
    // button in bold; a combo box's drop-down list is built when it is first opened.
    void typeSizesAndDropDowns()
    {
        auto *role = find<QComboBox>(window, "cbox_role");
        auto *language = find<QComboBox>(window, "cbox_language");
        for (QComboBox *box : {role, language})
            QVERIFY2(box->findChildren<QAbstractItemView *>().isEmpty(), qPrintable(box->objectName()));
        QCOMPARE(QFontInfo(role->font()).pixelSize(), 13);
        QCOMPARE(QFontInfo(find<QLabel>(window, "label")->font()).pixelSize(), 13);
        QCOMPARE(QFontInfo(tree->font()).pixelSize(), 14);
        QVERIFY(find<QPushButton>(window, "pbtn_library")->font().bold());
        QVERIFY(!role->font().bold());

        chooseVariant(0);
        click(1);
        auto *table = find<QTableWidget>(tabs->widget(3), "table_param");
        QVERIFY(table);
        QCOMPARE(QFontInfo(table->font()).pixelSize(), 13);
        // Also a message box without a parent, which no style sheet of the window reaches.
        QMessageBox box(QMessageBox::Information, QStringLiteral("t"), QStringLiteral("x"));
        box.ensurePolished();
        QCOMPARE(QFontInfo(box.font()).pixelSize(), 13);

        role->showPopup();
        const bool built = !role->findChildren<QAbstractItemView *>().isEmpty();
        const int listPixels = QFontInfo(role->view()->font()).pixelSize();
        role->hidePopup();
        QVERIFY(built);
        QCOMPARE(listPixels, 13);
    }

    // A description that cannot be opened or read is named on the Basic info page; the built-in one gets no line.
    void badDescriptionIsNamedOnTheBasicInfoPage()
    {
        QTemporaryDir dir;
        const QString doctype = TestHelpers::writtenIn(
            dir, "bad.xml",
            "<?xml version=\"1.0\"?><!DOCTYPE IODevice [<!ENTITY a \"aaaa\">]><IODevice>&a;</IODevice>");
        const auto problem = [this](const QString &path, int port) {
            window->showPortPages(path, port);
            return qobject_cast<BasicInfoPage *>(tabs->widget(3))->descriptionProblem();
        };
        QVERIFY(problem(dir.filePath("none.xml"), 1).startsWith("描述文件无法打开"));
        QVERIFY(problem(doctype, 1).startsWith("描述文件无法读取（bad.xml）"));
        chooseVariant(0);
        QCOMPARE(problem(MainWindow::resolveDefaultIoddPath(), 2), QString());
    }

    // Without the status block the ports are learned from their devices; a page's failed exchange makes the
    // monitor look again, and the adapter port page follows the clicked port.
    void adapterWithoutStatusBlock()
    {
        const QString fixture = HUB8_SOURCE_DIR "/tests/params/fixtures/parameters.xml";
        m_adapter.setPortStatusBlock(false);
        QString error;
        auto device = IoddDevice::fromFile(fixture, QCoreApplication::applicationDirPath() + "/std", &error);
        QVERIFY2(device && device->writeIsdu(64, 0, "hello").ok(), qPrintable(error));
        m_adapter.setPort(3, VirtualAdapter::Mode::IoLinkOperate, std::move(device));
        QVERIFY(reopen());
        QCOMPARE(m_hub->activePorts(), (QSet<int>{0, 1, 3, 5, 7})); // not the DI, DO and off ports
        QVERIFY(tip(0).contains("IO-Link 运行") && tip(3).contains("Vendor ID 77, Device ID 7701"));
        for (int port : {2, 4, 6})
            QVERIFY2(tip(port).contains("未知") && window->portEvents()->events(port).isEmpty(), qPrintable(tip(port)));

        window->showPortPages(fixture, 3);
        auto *page = tabs->widget(3)->findChild<ParameterPage *>();
        QVERIFY(page && page->port() == 3);
        QTest::mouseClick(find<QPushButton>(page, "pbtn_read"), Qt::LeftButton);
        QTRY_VERIFY(!page->isRunning());
        QCOMPARE(find<QTableWidget>(page, "table_param")->findItems("hello", Qt::MatchExactly).size(), 1);
        m_adapter.setPort(3, VirtualAdapter::Mode::Deactivated);
        QTest::mouseClick(find<QPushButton>(page, "pbtn_read"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!m_hub->activePorts().contains(3), 2 * PortStatusMonitor::pollIntervalMs);
        QVERIFY(tip(3).contains("未知"));

        tabs->setCurrentIndex(2);
        click(0);
        auto *portPage = tabs->currentWidget()->findChild<AdapterPortPage *>();
        QVERIFY(portPage && portPage->port() == 0);
        QTRY_COMPARE(find<QLineEdit>(portPage, "edit_minCycleTime")->text(), "3.0 ms");
    }
};

QTEST_MAIN(tst_mainwindow)
#include "tst_mainwindow.moc"
