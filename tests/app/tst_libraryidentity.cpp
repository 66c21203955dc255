// Loading a library file onto a port of the main window on the virtual adapter: the question
// when the file is not for the device there, and the tree after a cancelled variant choice.

#include "adapterpages/isduconsole.h"
#include "defaultsetup.h"
#include "description/builtindescription.h"
#include "genericdevice.h"
#include "library/ioddlibrarydialog.h"
#include "library/librarytablemodel.h"
#include "params/parameterpage.h"
#include "testhelpers.h"
#include "virtualadapter.h"
#include "windowdriver.h"

using WindowDriver::find;

class tst_libraryidentity : public QObject, WindowDriver::Session
{
    Q_OBJECT
    QTemporaryDir m_library;

    // A Captron description: its vendor name from the identity, its product name from the variable.
    static bool writeCaptron(const QString &path)
    {
        return TestHelpers::writeFile(
            path,
            "<?xml version=\"1.0\"?><IODevice><DocumentInfo version=\"V1\"/><ProfileBody>"
            "<DeviceIdentity vendorId=\"1239\" deviceId=\"2305\" vendorName=\"CAPTRON Electronic GmbH\"/>"
            "<DeviceFunction><VariableCollection><StdVariableRef id=\"V_ProductName\" defaultValue=\"CALIS\"/>"
            "</VariableCollection></DeviceFunction></ProfileBody></IODevice>");
    }
    QString shownVendorId() const { return find<QLineEdit>(tabs->widget(3), "edit_vendorID")->text(); }
    QList<int> selectedPorts() const
    {
        QList<int> ports;
        for (QTreeWidgetItem *item : tree->selectedItems())
            ports << tree->indexOfTopLevelItem(item);
        return ports;
    }

    struct Confirmation
    {
        QString question; // empty: none was asked
        bool dialogStayed = false;
    };
    // Opens the library, confirms `fileName` for the selected port and answers the identity
    // question with `answer` if one comes; a library dialog still open afterwards is closed.
    Confirmation confirmFromLibrary(const QString &fileName, QMessageBox::StandardButton answer)
    {
        Confirmation result;
        bool done = false;
        WindowDriver::onModal<IoddLibraryDialog>(this, [&](IoddLibraryDialog *dialog) {
            auto *table = find<QTableView>(dialog, "table_show");
            QVERIFY(QTest::qWaitFor([dialog] { return !dialog->libraryIndex()->isBusy(); }));
            const QAbstractItemModel *rows = table->model();
            for (int r = 0; r < rows->rowCount(); ++r)
                if (rows->index(r, LibraryTableModel::FileColumn).data().toString() == fileName)
                    table->setCurrentIndex(rows->index(r, 0));
            auto waiting = std::make_shared<bool>(true);
            WindowDriver::onModal<QMessageBox>(
                this,
                [&result, answer](QMessageBox *box) {
                    result.question = box->text();
                    if (!box->icon() || box->standardButtons() != (QMessageBox::Yes | QMessageBox::No))
                        result.question += " (unexpected box)";
                    box->button(answer)->click();
                },
                waiting);
            find<QPushButton>(dialog, "pbtn_enter")->click();
            // The device's identity comes from the link: asked about, or loaded and closed.
            if (!QTest::qWaitFor([&result, dialog] { return !result.question.isEmpty() || !dialog->isVisible(); },
                                 3000))
                result.question = "no identity learnt";
            *waiting = false;
            result.dialogStayed = dialog->isVisible();
            dialog->close();
            done = true;
        });
        QTest::mouseClick(find<QPushButton>(window, "pbtn_library"), Qt::LeftButton);
        if (!QTest::qWaitFor([&done] { return done; }, 5000))
            result.question = "library dialog never came";
        QCoreApplication::processEvents(); // the load queued by the dialog
        return result;
    }

private slots:
    void initTestCase()
    {
        // The built-in description is found from any working folder.
        QDir::setCurrent(QDir::tempPath());
        const QFileInfo source(MainWindow::resolveDefaultIoddPath());
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        QVERIFY(source.isAbsolute() && source.isFile());
        // The library: a Captron file, and the built-in description with its variants under its own folder name.
        QVERIFY(writeCaptron(m_library.filePath("1239_2305_V1_calis/calis.xml")));
        const QString builtin = m_library.filePath(BuiltinDescription::folderName);
        QVERIFY(QDir().mkpath(builtin) && QFile::copy(source.absoluteFilePath(), builtin + '/' + source.fileName()));
    }
    void init()
    {
        applyDefaultSetup(VirtualAdapter::instance());
        VirtualAdapter::instance().faults().isduLatencyMs = 0;
        QVERIFY(reopen(m_library.path()));
    }
    void cleanup()
    {
        closeWindow();
        VirtualAdapter::instance().reset();
    }

    void otherDevicesFileIsLoadedOnlyOnYes()
    {
        chooseVariant(0);
        click(1); // Port2: the built-in device and its pages
        QWidget *pages = tabs->widget(3);
        QCOMPARE(shownVendorId(), "1484");

        Confirmation no = confirmFromLibrary("calis.xml", QMessageBox::No);
        QCOMPARE(no.question,
                 "描述文件与 Port2 上的设备不符：\n"
                 "文件: vendor 1239 / device 2305 (CAPTRON Electronic GmbH CALIS)\n"
                 "设备: vendor 1484 / device 101101 (Pellamar KTX-400A-M12)\n\n仍要加载吗？");
        QVERIFY(no.dialogStayed);
        QCOMPARE(tabs->widget(3), pages); // nothing loaded

        Confirmation yes = confirmFromLibrary("calis.xml", QMessageBox::Yes);
        QVERIFY(!yes.question.isEmpty() && !yes.dialogStayed);
        QTRY_COMPARE(shownVendorId(), "1239");
        QVERIFY(SimHelpers::linkIdle());
    }

    void cancelledVariantChoiceSelectsTheShownPort()
    {
        chooseVariant(-1);
        click(1); // nothing shown yet: nothing stays selected
        QCOMPARE(selectedPorts(), QList<int>());
        QCOMPARE(tabs->count(), 3);

        click(0);
        QWidget *pages = tabs->widget(3);
        const QString title = window->windowTitle();
        chooseVariant(-1);
        click(3);
        QCOMPARE(selectedPorts(), QList<int>{0});
        QCOMPARE(tree->currentItem(), tree->topLevelItem(0));
        QVERIFY(tabs->widget(3) == pages && window->windowTitle() == title);

        // The same from the library: Port4 selected, its file confirmed, the variant choice cancelled.
        tree->setCurrentItem(tree->topLevelItem(3));
        chooseVariant(-1);
        const Confirmation c =
            confirmFromLibrary(QFileInfo(BuiltinDescription::relativePath).fileName(), QMessageBox::No);
        QCOMPARE(c.question, QString()); // the device's own description: no question
        QTRY_COMPARE(selectedPorts(), QList<int>{0});
        QCOMPARE(tabs->widget(3), pages);
    }

    // A port whose device has no description shows its console; the description added from the library
    // dialog shows its pages on that port at once, without another click.
    void descriptionAddedShowsOnTheOpenPort()
    {
        closeWindow();
        VirtualAdapter::instance().setPort(7, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        QVERIFY(reopen(m_library.path()));
        QTemporaryDir elsewhere;
        const QString file = elsewhere.filePath("generic.xml");
        QVERIFY(TestHelpers::writeFile(
            file,
            "<?xml version=\"1.0\"?><IODevice><DocumentInfo version=\"V1\"/><ProfileBody>"
            "<DeviceIdentity vendorId=\"888\" deviceId=\"257\" vendorName=\"Generic from file\"/>"
            "</ProfileBody></IODevice>"));
        click(7);
        QTRY_VERIFY(tabs->widget(3) && tabs->widget(3)->findChild<IsduConsole *>());

        bool added = false;
        WindowDriver::onModal<IoddLibraryDialog>(this, [&](IoddLibraryDialog *dialog) {
            dialog->setOpenFileFunction([file](const QString &, const QString &, const QString &) { return file; });
            find<QPushButton>(dialog, "pbtn_add")->click();
            dialog->close();
            added = true;
        });
        QTest::mouseClick(find<QPushButton>(window, "pbtn_library"), Qt::LeftButton);
        QTRY_VERIFY(added);
        // The description's pages now: the console on a tab of its own, not on Basic info.
        QTRY_COMPARE(tabTexts().mid(3).join('|'), "Basic info|Message event|ISDU");
        QVERIFY(!tabs->widget(3)->findChild<IsduConsole *>() && tabs->widget(3)->findChild<ParameterPage *>());

        for (const QString &folder : QDir(m_library.path()).entryList({"888_*"}, QDir::Dirs))
            QVERIFY(QDir(m_library.filePath(folder)).removeRecursively());
    }
};

QTEST_MAIN(tst_libraryidentity)
#include "tst_libraryidentity.moc"
