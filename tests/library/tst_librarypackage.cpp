// Vendors' zipped IODD packages added through the library dialog: each description with its language files
// and pictures in a folder of its own, every refused package leaving the disk as it was; and the dialog's
// vendor and product names, their search and its size.

#include "description/ioddheaderreader.h"
#include "library/ioddlibraryfolder.h"
#include "librarydialogdriver.h"
#include "zipbuilder.h"

using namespace LibraryDialogDriver;
using ZipBuilder::Entry;

namespace {

QString builtinDir()
{
    return QFileInfo(TestHelpers::builtinDescriptionPath()).absolutePath();
}

QByteArray device(const Identity &id = Identity())
{
    QTemporaryDir tmp;
    return writeDevice(tmp.filePath("d.xml"), id) ? readFile(tmp.filePath("d.xml")) : QByteArray();
}

QByteArray languageFile(const char *language)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<ExternalTextDocument xmlns=\"http://www.io-link.com/IODD/2010/10\">\n"
                      "  <Language xml:lang=\"")
        + language + "\"><Text id=\"T_DeviceName\" value=\"Druckmessumformer\"/></Language>\n</ExternalTextDocument>\n";
}

// The library's folders, each with its files.
QStringList folders(const QString &library)
{
    QStringList out;
    for (const QFileInfo &folder : QDir(library).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        out << folder.fileName() + ": " + QDir(folder.filePath()).entryList(QDir::Files, QDir::Name).join(' ');
    return out;
}

} // namespace

class tst_librarypackage : public QObject
{
    Q_OBJECT
private slots:
    // The built-in description zipped in a sub-folder with a language file and two pictures: one folder
    // with those four files, the same octets; the files elsewhere in the archive stay out. The language
    // file is no row, now or after a scan.
    void addsDescriptionWithLanguageFileAndPictures()
    {
        Sandbox box;
        const QString name = QFileInfo(TestHelpers::builtinDescriptionPath()).fileName();
        const QString stem = IoddLibrary::stem(name);
        const QByteArray description = readFile(TestHelpers::builtinDescriptionPath());
        const QByteArray pic = readFile(builtinDir() + "/Pellamar-KTX-400A-pic.png");
        const QByteArray icon = readFile(builtinDir() + "/Pellamar-KTX-400A-icon.png");
        QVERIFY(!description.isEmpty() && !pic.isEmpty() && !icon.isEmpty());
        const QByteArray folder = "Pellamar KTX/";
        QVERIFY(writeFile(box.source + "ktx.zip",
                          ZipBuilder::archive({{folder, {}, false, 0, 0xffff, 040755},
                                               {folder + name.toUtf8(), description},
                                               {folder + stem.toUtf8() + "-de.xml", languageFile("de")},
                                               {folder + "Pellamar-KTX-400A-pic.png", pic, false},
                                               {folder + "Pellamar-KTX-400A-icon.png", icon},
                                               {"readme.txt", "read me"},
                                               {"other/logo.png", "elsewhere"}})));
        const auto outsideBefore = box.outsideLibrary();
        Dialog d(box.library);
        d.add(box.source + "ktx.zip");
        QCOMPARE(d.notices, QStringList());
        const QString expected =
            "1484_101101_" + IoddHeaderReader(TestHelpers::builtinDescriptionPath()).version() + '_' + stem;
        QCOMPARE(folders(box.library),
                 QStringList({expected + ": " + stem + "-de.xml " + name
                              + " Pellamar-KTX-400A-icon.png Pellamar-KTX-400A-pic.png"}));
        const QString written = box.library + '/' + expected + '/';
        QCOMPARE(readFile(written + name), description);
        QCOMPARE(readFile(written + "Pellamar-KTX-400A-pic.png"), pic);
        QCOMPARE(readFile(written + stem + "-de.xml"), languageFile("de"));
        QCOMPARE(d.names(), QStringList({"Pellamar|KTX-400A-M12|" + name}));
        QCOMPARE(box.outsideLibrary(), outsideBefore);

        Dialog again(box.library);
        QCOMPARE(again.names(), QStringList({"Pellamar|KTX-400A-M12|" + name}));
    }

    // Several descriptions: a folder each, with the pictures of its own folder in the archive.
    void addsEveryDescriptionOfAPackage()
    {
        Sandbox box;
        QVERIFY(writeFile(box.source + "two.zip",
                          ZipBuilder::archive({{"a/one.xml", device({"26", "1", "V1", {}, "icon.png", {}})},
                                               {"a/icon.png", "icon of one"},
                                               {"b/two.xml", device({"26", "2", "V1", {}, "icon.png", {}})},
                                               {"b/icon.png", "icon of two"}})));
        Dialog d(box.library);
        d.add(box.source + "two.zip");
        QCOMPARE(d.notices, QStringList());
        QCOMPARE(d.rows(), QStringList({"26|1|one.xml|V1", "26|2|two.xml|V1"}));
        QCOMPARE(folders(box.library), QStringList({"26_1_V1_one: icon.png one.xml", "26_2_V1_two: icon.png two.xml"}));
        QCOMPARE(readFile(box.library + "/26_2_V1_two/icon.png"), QByteArray("icon of two"));
    }

    // A package refused for any one of its files, by the reader, the package or the library, or whose
    // writing fails half-way: one notice with the reason, no row, and nothing anywhere changed.
    void refusedPackagesChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("zip");
        QTest::addColumn<QString>("reason");
        const QByteArray good = device({"26", "1", "V1", {}, {}, {}});
        const Entry one{"pkg/one.xml", good};
        const auto row = [&](const char *name, const QVector<Entry> &entries, const char *reason) {
            QTest::newRow(name) << ZipBuilder::archive(entries) << QString::fromUtf8(reason);
        };
        row("name leaves the folder", {one, {"../../outside/victim.png", "overwritten"}}, "上级目录");
        row("bad CRC", {one, {"pkg/pic.png", "png", true, 0, 0xffff, 0100644, -1, 7}}, "CRC");
        row("no description", {{"pkg/pic.png", "png"}, {"pkg/one-de.xml", languageFile("de")}}, "没有IODD描述文件");
        row("a description without ids", {one, {"pkg/two.xml", device({"26", "", "V1", {}, {}, {}})}},
            "two.xml: 文件中没有有效的供应商ID和设备ID");
        row("a file name the library lists", {one, {"pkg/listed.xml", device({"26", "3", "V1", {}, {}, {}})}},
            "库中已有同名文件 listed.xml");
        row("one file name twice", {one, {"other/one.xml", device({"26", "4", "V1", {}, {}, {}})}},
            "库中已有同名文件 one.xml");
        row("a folder there already", {one, {"pkg/taken.xml", device({"26", "5", "V1", {}, {}, {}})}},
            "库中已有文件夹 26_5_V1_taken");
        // The second folder's name is too long for the file system: the first one is written by then.
        row("a folder cannot be made", {one, {"two/" + QByteArray(250, 'p') + ".xml", good}},
            "无法在IODD库中创建文件夹");
        QTest::newRow("not a zip") << good << QString::fromUtf8("不是zip压缩包");
    }

    void refusedPackagesChangeNothing()
    {
        QFETCH(QByteArray, zip);
        QFETCH(QString, reason);
        Sandbox box;
        QVERIFY(writeDevice(box.library + "/99_7_V1_listed/listed.xml", {"99", "7", "V1", {}, {}, {}}));
        QVERIFY(QDir().mkpath(box.library + "/26_5_V1_taken"));
        QVERIFY(writeFile(box.source + "package.zip", zip));
        const auto before = snapshot(box.root);
        Dialog d(box.library);
        d.add(box.source + "package.zip");
        QCOMPARE(d.notices.size(), 1);
        QVERIFY2(d.notices.at(0).startsWith("添加IODD文件|未添加 package.zip：") && d.notices.at(0).contains(reason),
                 qPrintable(d.notices.at(0)));
        QCOMPARE(d.rows(), QStringList({"99|7|listed.xml|V1"}));
        QCOMPARE(snapshot(box.root), before);
    }

    // A device maker's description with its two language files and eight pictures, zipped here as a vendor
    // would: all of it lands in one folder, listed as one row.
    void addsCorpusPackage()
    {
        const QString dir = TestHelpers::corpusDir() + "/30-iolc-04-externallang";
        if (!QFileInfo(dir).isDir())
            QSKIP("the IODD corpus is not there");
        QVector<Entry> entries;
        QStringList names;
        for (const QFileInfo &file : QDir(dir).entryInfoList(QDir::Files, QDir::Name)) {
            entries.append({"IODD/" + file.fileName().toUtf8(), readFile(file.filePath())});
            names << file.fileName();
        }
        Sandbox box;
        QVERIFY(writeFile(box.source + "vendor.zip", ZipBuilder::archive(entries)));
        Dialog d(box.library);
        d.add(box.source + "vendor.zip");
        QCOMPARE(d.notices, QStringList());
        const QStringList made = QDir(box.library).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(made.size(), 1);
        QCOMPARE(QDir(box.library + '/' + made.at(0)).entryList(QDir::Files, QDir::Name), names);
        Dialog again(box.library);
        QCOMPARE(again.rows().size(), 1);
        QVERIFY(again.rows().at(0).contains("|IO-Link-04-ExternalLangDevice-20240824-IODD1.1.xml|"));
    }

    // The vendor and product names as columns, searched ignoring case beside the device id; the file name
    // cut in the middle with the whole name as tool tip; the dialog on the smallest screen.
    void namesColumnsAndSearch()
    {
        Sandbox box;
        const QString builtin = box.library + "/builtin/" + QFileInfo(TestHelpers::builtinDescriptionPath()).fileName();
        QVERIFY(writeFile(builtin, readFile(TestHelpers::builtinDescriptionPath())));
        QVERIFY(writeDevice(box.library + "/26_1001_V1_a/a.xml"));
        Dialog d(box.library);
        QStringList headers;
        for (int c = 0; c < d.table->model()->columnCount(); ++c)
            headers << d.table->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, QStringList({"供应商", "产品名称", "供应商ID", "设备ID", "文件名", "版本"}));
        const QString builtinRow = "Pellamar|KTX-400A-M12|" + QFileInfo(builtin).fileName();
        QCOMPARE(d.names(), QStringList({"Testwerk||a.xml", builtinRow}));

        auto *search = d.dialog.findChild<QLineEdit *>("edit_search");
        const auto searched = [&d, search](const char *text) {
            search->setText(text);
            d.click("pbtn_search");
            return d.names().join(' ');
        };
        QCOMPARE(searched("pELLa"), builtinRow);
        QCOMPARE(searched("ktx-400a"), builtinRow);
        QCOMPARE(searched("TESTWERK"), "Testwerk||a.xml");
        QCOMPARE(searched("1001"), "Testwerk||a.xml");
        QCOMPARE(searched("Siemens"), "");

        search->clear();
        d.click("pbtn_search");
        d.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d.dialog));
        const QSize screen = d.dialog.screen()->availableGeometry().size(), size = d.dialog.frameGeometry().size();
        QVERIFY2(size.width() <= screen.width() && size.height() <= screen.height(),
                 qPrintable(QString("%1x%2").arg(size.width()).arg(size.height())));
        // Every column within the table, the file name's at a readable width.
        auto *header = d.table->horizontalHeader();
        QVERIFY(header->length() <= d.table->viewport()->width());
        QVERIFY(header->sectionSize(LibraryTableModel::FileColumn) >= 150);
        QCOMPARE(d.table->textElideMode(), Qt::ElideMiddle);
        const QModelIndex file = d.table->model()->index(1, LibraryTableModel::FileColumn);
        QCOMPARE(file.data(Qt::ToolTipRole).toString(), QFileInfo(builtin).fileName());
    }
};

QTEST_MAIN(tst_librarypackage)
#include "tst_librarypackage.moc"
