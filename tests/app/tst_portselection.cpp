// Clicking ports in the tree of the main window, on the virtual adapter.

#include "adapter/widgat_adapter.h"
#include "app/iolinkmainwindow.h"
#include "defaultsetup.h"
#include "description/builtindescription.h"
#include "genericdevice.h"
#include "library/widget_iodd.h"
#include "library/widget_productname.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "link/portstatusmonitor.h"
#include "params/widget_parameter.h"
#include "port/portitemview.h"
#include "views/widget_port.h"
#include "virtualadapter.h"

#include <QtTest>
#include <QtWidgets>

class tst_portselection : public QObject
{
    Q_OBJECT
    IOLinkMainWindow *window = nullptr;
    QTabWidget *tabs = nullptr;
    QTreeWidget *tree = nullptr;
    bool dialogSeen = false;

    template <typename T>
    static T *find(QObject *parent, const char *name)
    {
        return parent->findChild<T *>(QLatin1String(name));
    }
    QString basicText(const char *name) const { return find<QLineEdit>(tabs->widget(3), name)->text(); }
    QPushButton *lookupButton() const { return find<QPushButton>(tabs->widget(3), "pbtn_lookup"); }
    void openLibrary() { QTest::mouseClick(find<QPushButton>(window, "pbtn_library"), Qt::LeftButton); }
    int portViewIndex() const { return find<QStackedWidget>(window, "portView")->currentIndex(); }

    void click(int port)
    {
        const QPoint at = tree->visualItemRect(tree->topLevelItem(port)).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    QStringList tabTexts() const
    {
        QStringList texts;
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
        return texts;
    }

    // Hands the next modal dialog of type T to `answer` once it is up.
    template <typename T>
    void onModal(std::function<void(T *)> answer)
    {
        QTimer::singleShot(50, this, [this, answer]() {
            if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget()))
                answer(dialog);
            else
                onModal<T>(answer); // not up yet
        });
    }

    // Confirms `row` in the next variant dialog, or closes it when row < 0.
    void answerVariantDialog(int row)
    {
        onModal<widget_productName>([this, row](widget_productName *dialog) {
            dialogSeen = true;
            if (row < 0) {
                dialog->close();
                return;
            }
            find<QTableWidget>(dialog, "table")->setCurrentCell(row, 0);
            QTest::mouseClick(find<QPushButton>(dialog, "pbtn_enter"), Qt::LeftButton);
        });
    }

private slots:
    // Started from the folder of the executable, like the run script does.
    void initTestCase() { QDir::setCurrent(QCoreApplication::applicationDirPath()); }

    void init()
    {
        applyDefaultSetup(VirtualAdapter::instance());
        VirtualAdapter::instance().faults().isduLatencyMs = 0;
        if (common::instance()->modbus)
            common::instance()->modbus->closeDevice(); // a fresh handle for every case
        window = new IOLinkMainWindow;
        window->initPortViews(8);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        tabs = find<QTabWidget>(window, "tabWidget");
        tree = find<QTreeWidget>(window, "treeWidget");
        dialogSeen = false;
    }
    void cleanup() { delete window; }

    void evenPortShowsTheBuiltInDevice()
    {
        answerVariantDialog(1);
        click(1);
        QVERIFY(dialogSeen);
        QCOMPARE(tabTexts().join(QLatin1Char('|')),
                 QStringLiteral("适配器详情|适配器通信参数|适配器端口配置|Basic info|In port|Out port|Message event"));
        QCOMPARE(basicText("edit_vendorID") + QLatin1Char('/') + basicText("edit_DeviceID") + QLatin1Char('/')
                     + basicText("edit_vendorName"),
                 QStringLiteral("1484/101101/Pellamar"));
        QWidget *basic = tabs->widget(3);
        auto *wires = find<QTableWidget>(basic, "table_connect");
        QCOMPARE(wires->rowCount(), 4);
        QCOMPARE(wires->item(0, 1)->text(), QStringLiteral("BN"));
        for (const char *name : {"label_log", "label_device", "label_connect"})
            QVERIFY2(!find<QLabel>(basic, name)->pixmap(Qt::ReturnByValue).isNull(), name);
        QCOMPARE(find<QLabel>(basic, "label_log")->pixmap(Qt::ReturnByValue).size(), QSize(160, 90));
        QVERIFY(!basic->findChild<widgat_adapter *>());
        QCOMPARE(portViewIndex(), 1);
        // The parameter view on the Basic info page serves this port in the chosen role.
        auto *page = basic->findChild<widget_Parameter *>();
        QVERIFY(page);
        QCOMPARE(QString("%1 %2").arg(page->port()).arg(page->role()), QString("1 SpecialistRoleMenuSet"));
        auto *params = find<QTableWidget>(page, "table_param");
        QCOMPARE(QString("%1 %2").arg(params->rowCount()).arg(params->item(0, 0)->text()), QString("64 Vendor Name"));
    }

    void badDescriptionIsNamedOnTheBasicInfoPage_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::addColumn<QString>("problem");
        QTest::newRow("missing file") << QByteArray() << QStringLiteral("描述文件无法打开");
        QTest::newRow("document type declaration")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE IODevice [<!ENTITY a \"aaaa\">]><IODevice>&a;</IODevice>")
            << QStringLiteral("描述文件无法读取（bad.xml）");
        QTest::newRow("nested too deep") << QByteArray("<IODevice>").repeated(1) + QByteArray("<a>").repeated(5000)
                                         << QStringLiteral("描述文件无法读取（bad.xml）");
    }
    void badDescriptionIsNamedOnTheBasicInfoPage()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.xml"));
        if (!content.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        window->onCreatePortInfo(path, 1);
        auto *page = qobject_cast<widget_Port *>(tabs->widget(3));
        QVERIFY(page);
        QVERIFY2(page->descriptionProblem().startsWith(problem), qPrintable(page->descriptionProblem()));
        // The built-in description reads cleanly: no line.
        answerVariantDialog(0);
        window->onCreatePortInfo(IOLinkMainWindow::resolveDefaultIoddPath(), 2);
        QVERIFY(qobject_cast<widget_Port *>(tabs->widget(3))->descriptionProblem().isEmpty());
    }

    void oddPortShowsTheConsole()
    {
        answerVariantDialog(0);
        click(3);
        QVERIFY(tabs->count() > 4);
        click(2);
        QCOMPARE(tabTexts().mid(3), (QStringList{QStringLiteral("Basic info"), QStringLiteral("Message event")}));
        auto *ports = find<QComboBox>(tabs->widget(3), "cbox_port");
        QVERIFY(ports && tabs->widget(3)->findChild<widgat_adapter *>());
        QCOMPARE(ports->count(), 8);
        QCOMPARE(ports->currentIndex(), 2);
        QCOMPARE(basicText("edit_vendorName"), QString());
        QCOMPARE(find<QTableWidget>(tabs->widget(3), "table_connect")->rowCount(), 0);
    }

    void cancelledVariantDialogKeepsPreviousTabs()
    {
        click(0);
        QWidget *before = tabs->widget(3);
        answerVariantDialog(-1);
        click(5);
        QVERIFY(dialogSeen);
        QCOMPARE(tabs->widget(3), before); // no pages rebuilt
        QVERIFY(before && before->findChild<widgat_adapter *>());
    }

    void clickWithoutAdapterBuildsThePages()
    {
        VirtualAdapter::instance().faults().unplugged = true;
        answerVariantDialog(0);
        click(7);
        QCOMPARE(tabTexts().at(3), QStringLiteral("Basic info"));
        QVERIFY(common::instance()->activePorts.isEmpty());
        click(0);
        QCOMPARE(tabTexts().size(), 5);
    }

    void portStatesShowInTheTree()
    {
        QCOMPARE(common::instance()->activePorts, (QSet<int>{0, 1, 3, 5, 7}));
        QVERIFY(tree->topLevelItem(2)->toolTip(0).contains(QStringLiteral("DI")));
        QVERIFY(tree->topLevelItem(1)->toolTip(0).contains(QStringLiteral("101101")));
        VirtualAdapter::instance().port(1).mode = VirtualAdapter::Mode::CommunicationLost;
        QTRY_VERIFY_WITH_TIMEOUT(!common::instance()->activePorts.contains(1), 2500);
        QVERIFY(tree->topLevelItem(1)->toolTip(0).contains(QStringLiteral("通信中断")));
    }

    void findsTheBuiltInDescriptionFromAnotherDirectory()
    {
        const QString previous = QDir::currentPath();
        QDir::setCurrent(QDir::tempPath());
        const QString path = IOLinkMainWindow::resolveDefaultIoddPath();
        QDir::setCurrent(previous);
        QVERIFY2(QFileInfo::exists(path) && QFileInfo(path).isAbsolute(), qPrintable(path));
    }

    void libraryFileLoadsForTheSelectedPort()
    {
        // A library with the built-in description only, beside a fresh "application".
        QTemporaryDir dir;
        const QString folder = dir.path() + QLatin1Char('/') + QLatin1String(builtinDescription::folderName);
        QVERIFY(QDir().mkpath(folder));
        const QFileInfo source(IOLinkMainWindow::resolveDefaultIoddPath());
        QVERIFY(QFile::copy(source.absoluteFilePath(), folder + QLatin1Char('/') + source.fileName()));
        const QString previousLibrary = window->ioddLibraryDir();
        window->setIoddLibraryDir(dir.path());

        tree->setCurrentItem(tree->topLevelItem(2)); // Port3: a console page until now
        click(2);
        QCOMPARE(tabs->count(), 5);
        QString delivered;
        onModal<widget_IODD>([this, &delivered](widget_IODD *dialog) {
            connect(dialog, &widget_IODD::sig_pbtnEnter, this, [&delivered](const QString &p) { delivered = p; });
            auto *table = find<QTableWidget>(dialog, "table_show");
            if (table->rowCount() != 1) {
                dialog->close(); // the checks below then fail
                return;
            }
            table->setCurrentCell(0, 0);
            answerVariantDialog(2);
            QTest::mouseClick(find<QPushButton>(dialog, "pbtn_enter"), Qt::LeftButton);
        });
        openLibrary();
        QTRY_VERIFY(dialogSeen);
        window->setIoddLibraryDir(previousLibrary);
        QVERIFY(delivered.startsWith(dir.path()));
        QTRY_COMPARE(tabTexts().size(), 7);
        QCOMPARE(basicText("edit_DeviceID"), QStringLiteral("101101"));
        QVERIFY(!tabs->widget(3)->findChild<widgat_adapter *>());
        QCOMPARE(portViewIndex(), 2);
    }

    void libraryWithoutSelectedPortCannotConfirm()
    {
        bool enabled = true;
        QString reason;
        onModal<widget_IODD>([&enabled, &reason](widget_IODD *dialog) {
            auto *enter = find<QPushButton>(dialog, "pbtn_enter");
            enabled = enter->isEnabled();
            reason = enter->toolTip();
            dialog->close();
        });
        openLibrary();
        QVERIFY(!enabled && !reason.isEmpty());
        QCOMPARE(tabs->count(), 3);
    }

    void consoleLooksUpTheConnectedDevice()
    {
        // Port1 holds a device the library knows; Port7 none.
        const GenericDevice::Identity known{1484, 101101};
        VirtualAdapter::instance().setPort(0, VirtualAdapter::Mode::IoLinkOperate,
                                           std::make_unique<GenericDevice>(known));
        window->portMonitor()->poll();
        click(6);
        QVERIFY(lookupButton() && !lookupButton()->isEnabled()); // a deactivated port has no device
        click(0);
        QVERIFY(lookupButton() && lookupButton()->isEnabled());
        answerVariantDialog(0);
        QTest::mouseClick(lookupButton(), Qt::LeftButton);
        QTRY_VERIFY(dialogSeen);
        QTRY_COMPARE(tabTexts().size(), 7);
        QCOMPARE(basicText("edit_vendorID"), QStringLiteral("1484"));
    }
};

QTEST_MAIN(tst_portselection)
#include "tst_portselection.moc"
