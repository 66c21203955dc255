// The IODD library: add, search, delete and confirm on a fresh application
// directory per case, the refusal of names that would reach outside the
// library, the identity lookup over a tree of files and the lookup widget.

#include "library/parsevididd.h"
#include "library/widget_iodd.h"
#include "library/widget_ioddlookup.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString fixtureDir = QStringLiteral(HUB8_SOURCE_DIR "/tests/library/fixtures/");

struct Identity
{
    QString vendor = "26", device = "1001", version = "V1.0", connection = "con.png", icon = "icon.png", symbol = "pic.png";
};

bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeDevice(const QString &path, const Identity &id = Identity())
{
    QString text = QString::fromUtf8(readFile(fixtureDir + "device-template.xml"));
    const QStringList fields{id.vendor, id.device, id.version, id.connection, id.icon, id.symbol};
    const QStringList marks{"@VENDOR@", "@DEVICE@", "@VERSION@", "@CONNECTION@", "@ICON@", "@SYMBOL@"};
    for (int i = 0; i < marks.size(); ++i)
        text.replace(marks.at(i), fields.at(i).toHtmlEscaped());
    return !text.isEmpty() && writeFile(path, text.toUtf8());
}

// Every entry below root (symbolic links not followed) with its kind and
// content, leaving out the subtree `skip`.
QMap<QString, QString> snapshot(const QString &root, const QString &skip = QString())
{
    QMap<QString, QString> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!skip.isEmpty() && (path == skip || path.startsWith(skip + '/')))
            continue;
        const QFileInfo info = it.fileInfo();
        tree.insert(QDir(root).relativeFilePath(path),
                    info.isSymLink() ? "link " + info.symLinkTarget()
                    : info.isDir()   ? QStringLiteral("dir")
                                     : QCryptographicHash::hash(readFile(path), QCryptographicHash::Md5).toHex());
    }
    return tree;
}

// A fresh application directory: app/iodd is the library, src/ holds the
// files to add and outside/ things that must survive.
struct Sandbox
{
    QTemporaryDir tmp;
    const QString root = tmp.path();
    const QString library = root + "/app/iodd";
    const QString source = root + "/src/a/b/c/";
    const QString outside = root + "/outside/";

    Sandbox()
    {
        QDir().mkpath(root + "/app");
        QDir().mkpath(source);
        writeFile(outside + "victim.png", "keep me");
        widget_IODD::setLibraryDir(library);
    }
    ~Sandbox() { widget_IODD::setLibraryDir(QString()); }
};

// The dialog with its file dialog and message box answered by the test.
struct Dialog
{
    widget_IODD dialog;
    QTableWidget *table = dialog.findChild<QTableWidget *>("table_show");
    QSignalSpy entered{&dialog, &widget_IODD::sig_pbtnEnter};
    QString chosen;
    QStringList fileRequests;
    QStringList questions;
    QMessageBox::StandardButton answer = QMessageBox::Yes;

    Dialog()
    {
        dialog.setOpenFileFunction([this](const QString &caption, const QString &dir, const QString &filter) {
            fileRequests << caption + '|' + dir + '|' + filter;
            return chosen;
        });
        dialog.setAskFunction([this](const QString &title, const QString &text, QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton) {
            const bool usual = buttons == (QMessageBox::Yes | QMessageBox::Cancel) && defaultButton == QMessageBox::Cancel;
            questions << title + '|' + text + (usual ? "" : " (unexpected buttons)");
            return answer;
        });
    }
    void click(const char *button) { dialog.findChild<QPushButton *>(QLatin1String(button))->click(); }
    void add(const QString &path) { chosen = path, click("pbtn_add"); }
    QStringList rows() const
    {
        QStringList out;
        for (int r = 0; r < table->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < 4; ++c)
                cells << (table->item(r, c) ? table->item(r, c)->text() : "<none>");
            out << cells.join('|');
        }
        return out;
    }
};

} // namespace

class tst_ioddLibrary : public QObject
{
    Q_OBJECT
private slots:
    void formAndMissingLibrary()
    {
        Sandbox box;
        Dialog d;
        QCOMPARE(d.table->rowCount(), 0);
        QVERIFY(!QDir(box.library).exists());

        // Nothing to delete, search or confirm.
        for (const char *button : {"pbtn_del", "pbtn_search", "pbtn_enter"})
            d.click(button);
        QVERIFY(d.questions.isEmpty());
        QCOMPARE(d.entered.count(), 0);
        QVERIFY(!QDir(box.library).exists());
    }

    void scanListsXmlFilesOfFolders()
    {
        Sandbox box;
        QVERIFY(writeDevice(box.library + "/26_1001_V1.0_a/a.xml"));
        QVERIFY(writeFile(box.library + "/26_1001_V1.0_a/notes.txt", "x"));
        QVERIFY(writeDevice(box.library + "/27_5_V2_b/b.xml", {"27", "5", "V2", {}, {}, {}}));
        QVERIFY(writeFile(box.library + "/1_1_x_bad/malformed.xml", readFile(fixtureDir + "malformed.xml")));
        QVERIFY(writeDevice(box.library + "/stray.xml"));

        Dialog d;
        QCOMPARE(d.rows(), QStringList({"-1|-1|malformed.xml|", "26|1001|a.xml|V1.0", "27|5|b.xml|V2"}));
    }

    void addCopiesFileAndPicturesThenConfirm()
    {
        Sandbox box;
        QVERIFY(writeDevice(box.source + "a.xml"));
        QVERIFY(writeFile(box.source + "con.png", "con"));
        QVERIFY(writeFile(box.source + "icon.png", "icon"));
        // pic.png is named but missing: skipped, the others are copied.
        const auto outsideBefore = snapshot(box.root, box.library);

        Dialog d;
        d.add(box.source + "a.xml");
        QCOMPARE(d.fileRequests, QStringList({"添加IODD文件||xml(*.xml)"}));
        QCOMPARE(d.rows(), QStringList({"26|1001|a.xml|V1.0"}));
        QCOMPARE(snapshot(box.library).keys(), QStringList({"26_1001_V1.0_a", "26_1001_V1.0_a/a.xml",
                                                            "26_1001_V1.0_a/con.png", "26_1001_V1.0_a/icon.png"}));
        QCOMPARE(readFile(box.library + "/26_1001_V1.0_a/con.png"), QByteArray("con"));
        QCOMPARE(snapshot(box.root, box.library), outsideBefore);

        // A second dialog finds the entry on disk and hands out its path.
        Dialog again;
        QCOMPARE(again.rows(), d.rows());
        again.dialog.show();
        again.table->setCurrentCell(0, 2);
        again.click("pbtn_enter");
        QCOMPARE(again.entered.count(), 1);
        const QString path = again.entered.at(0).at(0).toString();
        QCOMPARE(path, box.library + "/26_1001_V1.0_a/a.xml");
        QVERIFY(QFileInfo(path).isFile());
        QVERIFY(!again.dialog.isVisible());
    }

    void addRefused_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("vendor");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("answer");

        QTest::newRow("same file name, other vendor") << "a.xml" << "26" << "1001" << "";
        QTest::newRow("vendor id 0") << "zero.xml" << "0" << "1001" << "";
        QTest::newRow("negative device id") << "neg.xml" << "26" << "-4" << "";
        QTest::newRow("no device id") << "nodev.xml" << "26" << "" << "";
        QTest::newRow("file dialog cancelled") << "c.xml" << "26" << "1001" << "   ";
    }

    void addRefused()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, vendor);
        QFETCH(QString, device);
        QFETCH(QString, answer);

        Sandbox box;
        QVERIFY(writeDevice(box.library + "/99_7_V1_a/a.xml", {"99", "7", "V1", {}, {}, {}}));
        QVERIFY(writeDevice(box.source + fileName, {vendor, device, "V1", {}, {}, {}}));
        const auto before = snapshot(box.root);

        Dialog d;
        d.add(answer.isEmpty() ? box.source + fileName : answer);
        QCOMPARE(d.rows(), QStringList({"99|7|a.xml|V1"}));
        QCOMPARE(snapshot(box.root), before);
    }

    void addStaysInsideLibrary_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("connection");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QStringList>("libraryAfter");

        // "26_1001_" exists, so the version below would lead to app/escaped_a.
        QTest::newRow("version climbs out") << "a.xml" << "/../../escaped" << "con.png" << "" << "26_1001_"
                                            << QStringList({"26_1001_"});
        QTest::newRow("version with slash") << "a.xml" << "x/y" << "con.png" << "" << "" << QStringList();
        QTest::newRow("version with backslash") << "a.xml" << "x\\y" << "con.png" << "" << "" << QStringList();
        QTest::newRow("version ..") << "a.xml" << ".." << "" << "" << ""
                                    << QStringList({"26_1001_.._a", "26_1001_.._a/a.xml"});
        // From the source the picture is src/x.png; from the folder, <root>/x.png.
        QTest::newRow("picture climbs out")
            << "a.xml" << "V1" << "../../../x.png" << "icon.png" << ""
            << QStringList({"26_1001_V1_a", "26_1001_V1_a/a.xml", "26_1001_V1_a/icon.png"});
        QTest::newRow("absolute picture") << "a.xml" << "V1" << "@outside@victim.png" << "" << ""
                                          << QStringList({"26_1001_V1_a", "26_1001_V1_a/a.xml"});
        QTest::newRow("picture ..") << "a.xml" << "V1" << ".." << "." << ""
                                    << QStringList({"26_1001_V1_a", "26_1001_V1_a/a.xml"});
        QTest::newRow("file name of dots") << "...xml" << "V1" << "" << "" << ""
                                           << QStringList({"26_1001_V1_..", "26_1001_V1_../...xml"});
        QTest::newRow("folder is a link out") << "a.xml" << "V1" << "con.png" << "" << "26_1001_V1_a->outside"
                                              << QStringList({"26_1001_V1_a"});
    }

    void addStaysInsideLibrary()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, version);
        QFETCH(QString, connection);
        QFETCH(QString, icon);
        QFETCH(QString, existing);
        QFETCH(QStringList, libraryAfter);

        Sandbox box;
        connection.replace("@outside@", box.outside);
        QVERIFY(writeDevice(box.source + fileName, {"26", "1001", version, connection, icon, {}}));
        QVERIFY(writeFile(box.source + "con.png", "con"));
        QVERIFY(writeFile(box.source + "icon.png", "icon"));
        QVERIFY(writeFile(box.root + "/src/x.png", "x"));
        QVERIFY(QDir().mkpath(box.library));
        if (existing.endsWith("->outside"))
            QVERIFY(QFile::link(box.outside, box.library + '/' + existing.section("->", 0, 0)));
        else if (!existing.isEmpty())
            QVERIFY(QDir(box.library).mkdir(existing));
        const auto outsideBefore = snapshot(box.root, box.library);

        Dialog d;
        d.add(box.source + fileName);
        QCOMPARE(d.rows().size(), 1); // the row stays even when copying was refused
        QCOMPARE(snapshot(box.root, box.library), outsideBefore);
        QCOMPARE(snapshot(box.library).keys(), libraryAfter);
    }

    void deleteAsksOnce_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("removed");
        QTest::newRow("yes") << int(QMessageBox::Yes) << true;
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << false;
        QTest::newRow("box closed") << int(QMessageBox::NoButton) << false;
    }

    void deleteAsksOnce()
    {
        QFETCH(int, answer);
        QFETCH(bool, removed);

        Sandbox box;
        QVERIFY(writeDevice(box.library + "/26_1001_V1.0_a/a.xml"));
        QVERIFY(writeFile(box.library + "/26_1001_V1.0_a/sub/pic.png", "p"));
        QVERIFY(writeDevice(box.library + "/27_5_V2_b/b.xml", {"27", "5", "V2", {}, {}, {}}));

        Dialog d;
        d.answer = QMessageBox::StandardButton(answer);
        d.table->setCurrentCell(0, 0);
        d.click("pbtn_del");
        QCOMPARE(d.questions, QStringList({"删除|是否删除\n设备ID：1001\n文件名：a.xml"}));
        QCOMPARE(d.rows().size(), removed ? 1 : 2);
        QCOMPARE(QFileInfo::exists(box.library + "/26_1001_V1.0_a"), !removed);
        QVERIFY(QFileInfo::exists(box.library + "/27_5_V2_b/b.xml"));
    }

    void deleteStaysInsideLibrary_data()
    {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<bool>("linkedFolder");

        QTest::newRow("cells edited to ..") << QStringList({"..", "..", "..", ".."}) << false;
        // Vendor, device, file name, version: "<lib>/../../outside/victim_1_2_s".
        QTest::newRow("cells climb out") << QStringList({"../../outside/victim", "1", "s.xml", "2"}) << false;
        QTest::newRow("folder is a link out") << QStringList() << true;
    }

    void deleteStaysInsideLibrary()
    {
        QFETCH(QStringList, cells);
        QFETCH(bool, linkedFolder);

        Sandbox box;
        QVERIFY(writeDevice(box.outside + "victim_1_2_s/s.xml"));
        QVERIFY(writeDevice(box.library + "/27_5_V2_b/b.xml", {"27", "5", "V2", {}, {}, {}}));
        if (linkedFolder)
            QVERIFY(QFile::link(box.outside + "victim_1_2_s", box.library + "/26_1001_V1.0_s"));
        const auto before = snapshot(box.root);

        Dialog d;
        QCOMPARE(d.rows().size(), linkedFolder ? 2 : 1);
        d.table->setCurrentCell(0, 0);
        for (int c = 0; c < cells.size(); ++c)
            d.table->item(0, c)->setText(cells.at(c));
        d.click("pbtn_del");
        QCOMPARE(d.rows().size(), linkedFolder ? 1 : 0);
        QCOMPARE(snapshot(box.root), before);
    }

    void searchByDeviceId()
    {
        Sandbox box;
        for (const char *folder : {"1_10_V1_a", "2_110_V1_b", "3_210_V1_c_d", "4_20_V1_e", "5_10_y", "no10"})
            QVERIFY(QDir().mkpath(box.library + '/' + QLatin1String(folder)));
        QVERIFY(writeFile(box.library + "/6_10_V1_f", "a file, not a folder"));

        Dialog d;
        QCOMPARE(d.table->rowCount(), 0);
        auto *edit = d.dialog.findChild<QLineEdit *>("edit_search");
        const QStringList tens{"1|10|a.xml|V1", "2|110|b.xml|V1", "3|210|c_d.xml|V1"};
        const QStringList all = tens + QStringList{"4|20|e.xml|V1"};

        const auto search = [&](const char *text) {
            edit->setText(QLatin1String(text));
            d.click("pbtn_search");
            return d.rows();
        };
        QCOMPARE(search("10"), tens);
        QCOMPARE(search("999"), tens);   // no match keeps the rows
        QCOMPARE(search("  "), all);
        QCOMPARE(search("2"), QStringList({"3|210|c_d.xml|V1", "4|20|e.xml|V1"}));

    }

    void selectionAndConfirmRefusal()
    {
        Sandbox box;
        QVERIFY(writeDevice(box.library + "/26_1001_V1.0_a/a.xml"));
        Dialog d;
        d.dialog.show();
        d.table->setCurrentCell(0, 3);
        QCOMPARE(d.dialog.findChild<QLabel *>("label_deviceID")->text(), "设备ID:1001");
        QCOMPARE(d.dialog.findChild<QLabel *>("label_fileName")->text(), "文件名::a.xml");

        auto *enter = d.dialog.findChild<QPushButton *>("pbtn_enter");
        d.dialog.setConfirmEnabled(false, "no port selected");
        QVERIFY(!enter->isEnabled());
        QCOMPARE(enter->toolTip(), "no port selected");
        QVERIFY(QMetaObject::invokeMethod(&d.dialog, "slot_pbtnEnter"));
        QCOMPARE(d.entered.count(), 0);
        QVERIFY(d.dialog.isVisible());

        d.dialog.setConfirmEnabled(true, QString());
        QVERIFY(enter->toolTip().isEmpty());
        d.click("pbtn_enter");
        QCOMPARE(d.entered.count(), 1);
    }

    void findIoddFileFirstMatch()
    {
        QTemporaryDir tmp;
        const QString iodd = tmp.path() + "/iodd/";
        QVERIFY(writeFile(iodd + "a.xml", readFile(fixtureDir + "malformed.xml")));
        QVERIFY(writeFile(iodd + "0outside.xml", readFile(fixtureDir + "identity-outside-body.xml")));
        QVERIFY(writeFile(iodd + "0zeros.xml", readFile(fixtureDir + "leading-zeros.xml")));
        QVERIFY(writeDevice(iodd + "B.xml"));
        QVERIFY(writeDevice(iodd + "notes.txt"));
        QVERIFY(writeDevice(iodd + "a_sub/c.xml"));
        QVERIFY(writeDevice(iodd + "a_sub/d.xml", {"27", "5", {}, {}, {}, {}}));
        QVERIFY(writeDevice(iodd + "a_sub/deeper/e.xml", {"28", "9", {}, {}, {}, {}}));
        QVERIFY(QFile::link(iodd + "B.xml", iodd + "a_sub/link.xml"));
        QVERIFY(QFile::link(iodd, iodd + "a_sub/loop"));

        ParseVIDDID finder;
        QStringList listed;
        for (const QFileInfo &f : finder.findXmlFiles(iodd))
            listed << QDir(iodd).relativeFilePath(f.absoluteFilePath());
        QCOMPARE(listed, QStringList({"0outside.xml", "0zeros.xml", "a.xml", "B.xml", "a_sub/c.xml", "a_sub/d.xml",
                                      "a_sub/deeper/e.xml"}));

        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(tmp.path()));
        const QRegularExpression malformed("^Failed to parse XML: .*a\\.xml\"$");
        for (int i = 0; i < 4; ++i)
            QTest::ignoreMessage(QtWarningMsg, malformed);
        const QString first = finder.findIoddFile(26, 1001);
        const QString nested = finder.findIoddFile(28, 9);
        const QString none = finder.findIoddFile(26, 1);
        const QString absolute = finder.findIoddFile(27, 5, iodd);
        QDir::setCurrent(cwd);

        QCOMPARE(first, "./iodd/B.xml");
        QCOMPARE(nested, iodd + "a_sub/deeper/e.xml");
        QCOMPARE(none, QString());
        QCOMPARE(absolute, iodd + "a_sub/d.xml");
    }

    void checkIoddIdentity_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("vendor");
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("warning");

        QTest::newRow("match") << "device" << "26" << "1001" << 0 << "";
        QTest::newRow("other device") << "device" << "26" << "1002" << 1 << "";
        QTest::newRow("numbers compared as text") << "device" << "026" << "1001" << 1 << "";
        QTest::newRow("leading zeros in file") << "leading-zeros.xml" << "26" << "1001" << 1 << "";
        QTest::newRow("leading zeros, same text") << "leading-zeros.xml" << "026" << "01001" << 0 << "";
        QTest::newRow("identity outside ProfileBody") << "identity-outside-body.xml" << "26" << "1001" << 1 << "";
        QTest::newRow("malformed") << "malformed.xml" << "26" << "1001" << 1 << "Failed to parse XML:";
        QTest::newRow("missing") << "missing.xml" << "26" << "1001" << 1 << "Failed to open file:";
    }

    void checkIoddIdentity()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, vendor);
        QFETCH(QString, device);
        QFETCH(int, result);
        QFETCH(QString, warning);

        QTemporaryDir tmp;
        QString path = fixtureDir + fixture;
        if (fixture == QLatin1String("device")) {
            path = tmp.path() + "/device.xml";
            QVERIFY(writeDevice(path));
        }
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning + " \"" + path + '"'));
        QCOMPARE(ParseVIDDID().checkIoddIdentity(path, vendor, device), result);
    }

    void lookupWidget()
    {
        Sandbox box;
        QVERIFY(writeDevice(box.library + "/26_1001_V1.0_a/a.xml"));
        widget_ioddLookup lookup;
        lookup.show();
        auto *button = lookup.findChild<QPushButton *>("pbtn_lookup");
        QSignalSpy found(&lookup, &widget_ioddLookup::sigDescriptionFound);

        lookup.setDevice(5, 0, 0);
        QVERIFY(!button->isEnabled());
        QVERIFY(!lookup.statusText().isEmpty());

        lookup.setDevice(3, 26, 1001);
        button->click();
        QCOMPARE(found.count(), 1);
        QCOMPARE(found.at(0).at(0).toInt(), 3);
        QCOMPARE(found.at(0).at(1).toString(), box.library + "/26_1001_V1.0_a/a.xml");

        // A miss is told in the status line; a modal box would show up here.
        bool boxShown = false;
        QTimer::singleShot(0, &lookup, [&boxShown] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                boxShown = true;
                modal->close();
            }
        });
        lookup.setDevice(3, 26, 1002);
        button->click();
        QCoreApplication::processEvents();
        QVERIFY(!boxShown);
        QCOMPARE(found.count(), 1);
        QCOMPARE(lookup.statusText(), "IODD库中没有找到 Vendor ID 26 / Device ID 1002 的描述文件");
    }
};

QTEST_MAIN(tst_ioddLibrary)
#include "tst_ioddlibrary.moc"
