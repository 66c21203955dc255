// What keeps a wrong file off a port: the identity question before a library file is confirmed, the built-in
// description that cannot be deleted, the variant dialog that confirms only a row the user chose.

#include "description/builtindescription.h"
#include "library/identitycheck.h"
#include "library/ioddlibraryfolder.h"
#include "library/variantdialog.h"
#include "librarydialogdriver.h"

namespace {

using namespace LibraryDialogDriver;

const DeviceIdentity pellamar = DeviceIdentity::of(1484, 101101, "Pellamar KTX-400A-M12");
const DeviceIdentity captron = DeviceIdentity::of(1239, 2305, "CAPTRON Electronic GmbH CALIS");

} // namespace

class tst_libraryguards : public QObject
{
    Q_OBJECT
private slots:
    void identityQuestion()
    {
        // Only the ids decide; names are for the user (the question itself: tst_libraryidentity).
        QVERIFY(IdentityCheck::question(1, DeviceIdentity::of(1484, 101101, "other name"), pellamar).isEmpty());
        // One id alike is still another device.
        QCOMPARE(IdentityCheck::compare(DeviceIdentity::of(1484, 101102), pellamar), IdentityMatch::Different);
        QCOMPARE(IdentityCheck::compare(DeviceIdentity::of(1485, 101101), pellamar), IdentityMatch::Different);
        // A file without ids never matches; a device not known is said, with the reason.
        const DeviceIdentity noIds = DeviceIdentity::unknown("no ids");
        QCOMPARE(IdentityCheck::compare(noIds, DeviceIdentity::of(0, 0)), IdentityMatch::Different);
        QVERIFY(IdentityCheck::question(0, noIds, pellamar)
                    .contains("文件: 没有有效的 vendor / device id\n设备: vendor 1484"));
        QTemporaryDir dir; // a file's device id 0 counts as none
        QVERIFY(writeDevice(dir.filePath("zero.xml"), {"26", "0", "V1", {}, {}, {}}));
        QVERIFY(!IdentityCheck::ofFile(dir.filePath("zero.xml")).known);
        const QString unknown = IdentityCheck::question(7, captron, DeviceIdentity::unknown("适配器无应答"));
        QCOMPARE(IdentityCheck::compare(noIds, DeviceIdentity::unknown("x")), IdentityMatch::DeviceUnknown);
        QVERIFY2(unknown.contains("Port8") && unknown.contains("（适配器无应答）")
                     && unknown.contains("文件: vendor 1239 / device 2305 (CAPTRON Electronic GmbH CALIS)\n设备: 未知"),
                 qPrintable(unknown));
    }

    void builtinDescriptionIsKept()
    {
        QTemporaryDir dir;
        const QString library = dir.filePath("iodd");
        const QString builtin = library + '/' + BuiltinDescription::folderName;
        const QString ktx = QFileInfo(BuiltinDescription::relativePath).fileName(); // the search names it so
        QVERIFY(writeDevice(builtin + '/' + ktx, {"1484", "101101", "V1", {}, {}, {}}));
        QVERIFY(writeDevice(library + "/1239_2305_V1_calis/calis.xml", {"1239", "2305", "V1", {}, {}, {}}));

        Dialog lib(library);
        QPushButton *del = lib.dialog.findChild<QPushButton *>("pbtn_del");
        for (const char *button : {"", "pbtn_search"}) { // listed by the scan, then by the search
            if (*button)
                lib.click(button);
            lib.select(ktx);
            QVERIFY(!del->isEnabled() && del->toolTip().contains("内置描述文件不能删除"));
            lib.select("calis.xml");
            QVERIFY(del->isEnabled() && del->toolTip().isEmpty());
        }
        // Reached without the button, the delete still leaves it alone and asks nothing.
        lib.select(ktx);
        QVERIFY(QMetaObject::invokeMethod(&lib.dialog, "onDeleteClicked"));
        QVERIFY(lib.questions.isEmpty() && lib.table->model()->rowCount() == 2
                && QFileInfo::exists(builtin + '/' + ktx));

        // The folder code refuses it however it is named; other library folders go.
        QVERIFY(QFile::link(library, dir.filePath("linked")));
        QString why;
        for (const QString &path : {builtin, library + "/./" + BuiltinDescription::folderName + '/',
                                    dir.filePath("linked/") + BuiltinDescription::folderName})
            QVERIFY2(!IoddLibrary::removeFolder(library, path, &why) && QFileInfo::exists(builtin + '/' + ktx),
                     qPrintable(path));
        QVERIFY(!IoddLibrary::removeFolder(dir.filePath("linked"), builtin, &why));
        QVERIFY(!IoddLibrary::removeFolder(library, dir.path(), &why) && QFileInfo::exists(library));
        QVERIFY(IoddLibrary::removeFolder(library, library + "/1239_2305_V1_calis", &why));
        QVERIFY(!QFileInfo::exists(library + "/1239_2305_V1_calis"));
    }

    void variantConfirmNeedsAChosenRow()
    {
        VariantDialog d;
        d.setVariants({{"KTX-M12", "KTX", "", "", ""}, {"KTX-M12-ND", "KTX ND", "", "", ""}});
        auto *table = d.findChild<QTableWidget *>("table");
        auto *enter = d.findChild<QPushButton *>("pbtn_enter");
        QSignalSpy closed(&d, &VariantDialog::closed);
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        table->setFocus(); // makes the first row current without selecting it
        QTRY_COMPARE(table->currentRow(), 0);
        QVERIFY(!enter->isEnabled() && !enter->toolTip().isEmpty());
        QVERIFY(QMetaObject::invokeMethod(&d, "onConfirmClicked"));
        QVERIFY(closed.isEmpty() && d.isVisible());

        table->selectRow(1);
        QVERIFY(enter->isEnabled());
        d.setVariants({{"A", "a", "", "", ""}, {"B", "b", "", "", ""}, {"B", "b2", "", "", ""}}); // nothing chosen yet
        QVERIFY(!enter->isEnabled());
        table->selectRow(0);
        table->clearSelection();
        QVERIFY(!enter->isEnabled());
        table->selectRow(2); // the first variant of its product id is taken
        enter->click();
        QCOMPARE(QList<QVariantList>(closed), QList<QVariantList>({{false}}));
        QCOMPARE(d.selectedVariant().productId + d.selectedVariant().name, "Bb");

        // Escape and the title-bar button cancel, even with a row selected.
        for (const bool escape : {true, false}) {
            VariantDialog dialog;
            dialog.setVariants({{"A", "a", "", "", ""}});
            QSignalSpy cancelled(&dialog, &VariantDialog::closed);
            bool timedOut = false; // a broken close cannot hang the run
            QTimer::singleShot(5000, &dialog, [&] { timedOut = true, dialog.hide(); });
            QTimer::singleShot(0, &dialog, [&] {
                dialog.findChild<QTableWidget *>("table")->selectRow(0);
                escape ? QTest::keyClick(&dialog, Qt::Key_Escape) : void(dialog.windowHandle()->close());
            });
            dialog.exec();
            QVERIFY(!timedOut && dialog.selectedVariant().name.isEmpty());
            QCOMPARE(QList<QVariantList>(cancelled), QList<QVariantList>({{true}}));
        }
    }
};

QTEST_MAIN(tst_libraryguards)
#include "tst_libraryguards.moc"
