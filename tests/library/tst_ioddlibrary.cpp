// The IODD library dialog on a fresh application directory per case, refusal of names reaching
// outside the library, the identity lookup over a tree of files and the lookup widget.

#include "library/ioddlookupbar.h"
#include "librarydialogdriver.h"

using namespace LibraryDialogDriver;

class tst_ioddlibrary : public QObject
{
    Q_OBJECT
private slots:
    void missingLibraryAndScan()
    {
        Sandbox box;
        {
            Dialog d(box.library); // no library folder: nothing to add, delete, search or confirm, and none is made
            for (const char *button : {"pbtn_del", "pbtn_search", "pbtn_enter"})
                d.click(button);
            QVERIFY(writeDevice(box.source + "c.xml"));
            d.add("   "); // the file dialog cancelled
            QVERIFY(d.rows().isEmpty() && d.questions.isEmpty() && d.entered.isEmpty() && !QDir(box.library).exists());
        }
        // The folders' XML files are listed, an unreadable identity as -1.
        QVERIFY(writeDevice(box.library + "/26_1001_V1.0_a/a.xml"));
        QVERIFY(writeFile(box.library + "/26_1001_V1.0_a/sub/notes.txt", "x"));
        QVERIFY(writeDevice(box.library + "/27_5_V2_b/b.xml", {"27", "5", "V2", {}, {}, {}}));
        QVERIFY(writeFile(box.library + "/1_1_x_bad/malformed.xml", readFile(fixtureDir + "malformed.xml")));
        QVERIFY(writeDevice(box.library + "/stray.xml"));
        Dialog d(box.library);
        QCOMPARE(d.rows(), QStringList({"-1|-1|malformed.xml|", "26|1001|a.xml|V1.0", "27|5|b.xml|V2"}));

        // Deleting asks once each time and removes the whole folder only on Yes.
        d.setCurrentRow(1);
        for (auto answer : {QMessageBox::Cancel, QMessageBox::NoButton, QMessageBox::Yes})
            d.answer = answer, d.click("pbtn_del");
        QCOMPARE(d.questions, QVector<QString>(3, "删除|是否删除\n设备ID：1001\n文件名：a.xml").toList());
        QCOMPARE(d.rows(), QStringList({"-1|-1|malformed.xml|", "27|5|b.xml|V2"}));
        QCOMPARE(box.libraryEntries(), "1_1_x_bad 1_1_x_bad/malformed.xml 27_5_V2_b 27_5_V2_b/b.xml stray.xml");

        // The search lists the device ids containing the text: none when none does, all for no text.
        auto *search = d.dialog.findChild<QLineEdit *>("edit_search");
        const auto searched = [&d, search](const char *text) {
            search->setText(text);
            d.click("pbtn_search");
            return d.rows().join(' ');
        };
        QCOMPARE(searched("5"), "27|5|b.xml|V2");
        QCOMPARE(searched("1001"), "");
        QCOMPARE(searched(" "), "-1|-1|malformed.xml| 27|5|b.xml|V2");
    }

    // The index reads a file once per version (size, modification time), keeps what it read in its file
    // for the next start, and reads everything again when that file is damaged or another library's.
    void indexKeepsWhatItRead()
    {
        QTemporaryDir tmp;
        const QString library = tmp.filePath("iodd"), saved = tmp.filePath("cache/index");
        QVERIFY(writeDevice(library + "/26_1001_V1_a/a.xml") && writeDevice(library + "/27_5_V2_b/b.xml", {"27", "5"}));
        const auto scanned = [&](const QString &indexFile, int *reports = nullptr, QString dir = QString()) {
            LibraryIndex index(dir.isEmpty() ? library : dir, indexFile);
            if (reports)
                QObject::connect(&index, &LibraryIndex::progress, [reports](int, int) { ++*reports; });
            index.refresh();
            QStringList out;
            if (indexIdle(&index))
                for (const LibraryEntry &e : index.entries())
                    out << e.file + ':' + e.vendorId + '/' + e.deviceId;
            return out.join(' ');
        };
        int reports = 0;
        QCOMPARE(scanned(saved, &reports), "a.xml:26/1001 b.xml:27/5");
        QVERIFY(reports >= 2 && QFileInfo(saved).size() > 0);

        // b.xml rewritten to the same size and time: the saved entry stands, nothing is read.
        const QString b = library + "/27_5_V2_b/b.xml";
        const QDateTime time = QFileInfo(b).lastModified();
        QVERIFY(writeDevice(b, {"28", "6"}));
        QFile touched(b);
        QVERIFY(touched.open(QIODevice::ReadWrite) && touched.setFileTime(time, QFileDevice::FileModificationTime));
        touched.close();
        reports = 0;
        QCOMPARE(scanned(saved, &reports), "a.xml:26/1001 b.xml:27/5");
        QCOMPARE(reports, 0);

        // A cut index file, or one written for another library, is not used: everything is read again.
        QByteArray data = readFile(saved);
        QVERIFY(writeFile(saved, data.left(data.size() - 9)));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("index not used, damaged at entry 1"));
        QCOMPARE(scanned(saved), "a.xml:26/1001 b.xml:28/6");
        // An index of the format before names were kept is not read as this one.
        QByteArray older = readFile(saved);
        QVERIFY(older.contains("library index 2"));
        QVERIFY(writeFile(saved, older.replace("library index 2", "library index 1")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("index not used, of another format"));
        QCOMPARE(scanned(saved), "a.xml:26/1001 b.xml:28/6");
        QVERIFY(QFile::rename(library, tmp.filePath("moved")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("index not used, not one of this library"));
        QCOMPARE(scanned(saved, nullptr, tmp.filePath("moved")), "a.xml:26/1001 b.xml:28/6");
    }

    // An add copies the file and the pictures it names from its own folder (even when that folder's path
    // holds the file name), skips missing ones; a selected row is confirmed only while a port is selected.
    void addSelectConfirmAndLookUp()
    {
        Sandbox box;
        const QString dir = box.root + "/src/dev.xml.d/", path = box.library + "/26_1001_V1.0_dev/dev.xml";
        QVERIFY(writeDevice(dir + "dev.xml", {"26", "1001", "V1.0", "con.png", "con.png", "pic.png"}));
        QVERIFY(writeFile(dir + "con.png", "right") && writeFile(box.root + "/src/.d/con.png", "wrong"));
        const auto outsideBefore = box.outsideLibrary();
        Dialog d(box.library);
        d.add(dir + "dev.xml");
        QVERIFY(d.notices.isEmpty());
        QCOMPARE(box.libraryEntries(), "26_1001_V1.0_dev 26_1001_V1.0_dev/con.png 26_1001_V1.0_dev/dev.xml");
        QCOMPARE(readFile(box.library + "/26_1001_V1.0_dev/con.png"), QByteArray("right"));
        QCOMPARE(box.outsideLibrary(), outsideBefore);

        Dialog again(box.library);
        QCOMPARE(again.rows(), QStringList({"26|1001|dev.xml|V1.0"}));
        again.dialog.show();
        again.setCurrentRow(0);
        auto *enter = again.dialog.findChild<QPushButton *>("pbtn_enter");
        again.dialog.setConfirmEnabled(false, "no port selected");
        QVERIFY(!enter->isEnabled() && enter->toolTip() == "no port selected");
        QVERIFY(QMetaObject::invokeMethod(&again.dialog, "onLoadClicked") && again.entered.isEmpty());
        again.dialog.setConfirmEnabled(true, QString());
        again.click("pbtn_enter");
        QCOMPARE(QList<QVariantList>(again.entered), QList<QVariantList>({{path}}));
        QVERIFY(!again.dialog.isVisible() && enter->toolTip().isEmpty());

        // The lookup widget finds that file; a miss is told in the status line, no modal box.
        IoddLookupBar lookup;
        LibraryIndex index(box.library, QString());
        lookup.setLibraryIndex(&index);
        lookup.show();
        auto *button = lookup.findChild<QPushButton *>("pbtn_lookup");
        QSignalSpy found(&lookup, &IoddLookupBar::descriptionFound);
        lookup.setDevice(3, 26, 1001);
        button->click();
        QTRY_COMPARE(QList<QVariantList>(found), QList<QVariantList>({{3, path}}));
        lookup.setDevice(3, 26, 1002);
        button->click();
        QVERIFY(indexIdle(&index) && !QApplication::activeModalWidget() && found.count() == 1);
        QCOMPARE(lookup.statusText(), "IODD库中没有找到 Vendor ID 26 / Device ID 1002 的描述文件");
    }

    // An add takes the description's language files along, and only those: regular files of its own name; the
    // library lists the description alone, and a file whose description is not beside it stays listed.
    void addTakesLanguageFiles()
    {
        Sandbox box;
        const QByteArray texts = "<ExternalTextDocument><Language xml:lang=\"zh\"/></ExternalTextDocument>";
        QVERIFY(writeDevice(box.source + "dev.xml"));
        for (const char *name : {"dev-zh.xml", "dev-DE.xml", "dev-pt-br.xml", "devx-fr.xml", "dev-notes.txt"})
            QVERIFY(writeFile(box.source + name, texts));
        QVERIFY(writeFile(box.outside + "it.xml", texts));
        QVERIFY(QFile::link(box.outside + "it.xml", box.source + "dev-it.xml"));
        QVERIFY(writeDevice(box.source + "solo-de.xml", {"26", "1002"}));
        Dialog d(box.library);
        d.add(box.source + "dev.xml");
        d.add(box.source + "solo-de.xml");
        QVERIFY2(d.notices.isEmpty(), qPrintable(d.notices.join('\n')));
        const QString folder = "26_1001_V1.0_dev";
        QCOMPARE(box.libraryEntries(),
                 QStringList({folder, folder + "/dev-DE.xml", folder + "/dev-pt-br.xml", folder + "/dev-zh.xml",
                              folder + "/dev.xml", "26_1002_V1.0_solo-de", "26_1002_V1.0_solo-de/solo-de.xml"})
                     .join(' '));
        QCOMPARE(readFile(box.library + "/" + folder + "/dev-zh.xml"), texts);

        Dialog again(box.library);
        QCOMPARE(again.rows(), QStringList({"26|1001|dev.xml|V1.0", "26|1002|solo-de.xml|V1.0"}));
    }

    // Adds whose names would reach outside the library, and refused adds: nothing outside changes, and a
    // refused add leaves nothing behind, lists no row and says so.
    void addStaysInsideLibrary_data()
    {
        QTest::addColumn<QString>("device");   // file|vendor|device|version|connection picture|icon
        QTest::addColumn<QString>("existing"); // in the library beforehand
        QTest::addColumn<QString>("after");    // library entries afterwards; empty: refused, nothing changed
        const auto row = [](const char *name, const char *device, const char *existing, const char *after) {
            QTest::newRow(name) << device << existing << after;
        };
        const char *other = "99_7_V1_a/a.xml";
        row("same file name, other vendor", "a.xml|26|1001|V1||", other, "");
        row("no device id", "n.xml|26||V1||", other, "");
        // "26_1001_" exists, so the version would lead to app/escaped_a.
        row("version climbs out", "a.xml|26|1001|/../../escaped|con.png|", "26_1001_", "");
        row("version ..", "a.xml|26|1001|..||", "", "26_1001_.._a 26_1001_.._a/a.xml");
        // From the source the picture is src/x.png; from the folder, <root>/x.png.
        row("picture climbs out", "a.xml|26|1001|V1|../../../x.png|icon.png", "",
            "26_1001_V1_a 26_1001_V1_a/a.xml 26_1001_V1_a/icon.png");
        row("absolute picture", "a.xml|26|1001|V1|@outside@victim.png|", "", "26_1001_V1_a 26_1001_V1_a/a.xml");
        row("folder is a link out", "a.xml|26|1001|V1|con.png|", "26_1001_V1_a->outside", "");
        row("folder already there", "a.xml|26|1001|V1|con.png|", "26_1001_V1_a", "");
        row("picture is a folder, nothing copied stays", "a.xml|26|1001|V1|con.png|sub", "", "");
    }

    void addStaysInsideLibrary()
    {
        QFETCH(QString, device);
        QFETCH(QString, existing);
        QFETCH(QString, after);
        Sandbox box;
        const QStringList f = device.replace("@outside@", box.outside).split('|');
        QVERIFY(writeDevice(box.source + f[0], {f[1], f[2], f[3], f[4], f[5], {}}));
        QVERIFY(writeFile(box.source + "con.png", "con") && writeFile(box.source + "icon.png", "icon"));
        QVERIFY(writeFile(box.root + "/src/x.png", "x") && QDir().mkpath(box.library)
                && QDir().mkpath(box.source + "sub"));
        if (existing.endsWith("->outside"))
            QVERIFY(QFile::link(box.outside, box.library + '/' + existing.section("->", 0, 0)));
        else if (existing.endsWith(".xml"))
            QVERIFY(writeDevice(box.library + '/' + existing, {"99", "7", "V1", {}, {}, {}}));
        else if (!existing.isEmpty())
            QVERIFY(QDir(box.library).mkdir(existing));
        const auto before = snapshot(box.root), outsideBefore = box.outsideLibrary();
        Dialog d(box.library);
        d.add(box.source + f[0]);
        QCOMPARE(d.rows().size(), int(existing.endsWith(".xml")) + int(!after.isEmpty()));
        QCOMPARE(d.notices.size(), int(after.isEmpty()));
        QCOMPARE(box.outsideLibrary(), outsideBefore);
        if (after.isEmpty())
            QCOMPARE(snapshot(box.root), before);
        else
            QCOMPARE(box.libraryEntries(), after);
    }

    // Each row deletes and opens the folder it was listed from, never one named by its cells or its
    // file's content; a folder that is a link out of the library is neither listed nor followed.
    void rowsKeepTheirOwnFolder()
    {
        Sandbox box;
        // Each a.xml names the other one's folder.
        QVERIFY(writeDevice(box.library + "/26_1001_V1_a/a.xml", {"27", "5", "V2", {}, {}, {}}));
        QVERIFY(writeDevice(box.library + "/27_5_V2_a/a.xml", {"26", "1001", "V1", {}, {}, {}}));
        QVERIFY(writeDevice(box.library + "/28_1_V1_two/x.xml") && writeDevice(box.library + "/28_1_V1_two/y.xml"));
        QVERIFY(writeDevice(box.outside + "victim_1_2_s/s.xml"));
        QVERIFY(QFile::link(box.outside + "victim_1_2_s", box.library + "/29_1_V1_s"));
        const auto outsideBefore = box.outsideLibrary();
        Dialog d(box.library);
        QCOMPARE(d.rows(),
                 QStringList({"27|5|a.xml|V2", "26|1001|a.xml|V1", "26|1001|x.xml|V1.0", "26|1001|y.xml|V1.0"}));

        d.setCurrentRow(0);
        d.click("pbtn_del");
        QCOMPARE(box.libraryEntries(),
                 "27_5_V2_a 27_5_V2_a/a.xml 28_1_V1_two 28_1_V1_two/x.xml 28_1_V1_two/y.xml 29_1_V1_s");
        d.setCurrentRow(0);
        d.click("pbtn_enter");
        QCOMPARE(QList<QVariantList>(d.entered), QList<QVariantList>({{box.library + "/27_5_V2_a/a.xml"}}));

        // Both rows of the folder go.
        d.setCurrentRow(1);
        d.click("pbtn_del");
        QCOMPARE(d.rows(), QStringList({"26|1001|a.xml|V1"}));
        QCOMPARE(box.libraryEntries(), "27_5_V2_a 27_5_V2_a/a.xml 29_1_V1_s");
        QCOMPARE(box.outsideLibrary(), outsideBefore);
    }

    // The lookup searches what the dialog lists: the files of the folders directly in the library; not a
    // file beside them, nothing deeper, no link to a file or folder. Of those, the newest release of the
    // device wins, else the first listed; only an identity directly in the body, written as the numbers
    // are, counts; a file changed on disk is read again, each version of a file once.
    void newestFileForAnIdentity()
    {
        QTemporaryDir tmp;
        const QString iodd = tmp.path() + "/iodd/", outside = tmp.path() + "/outside/";
        for (const char *f :
             {"f1/a.xml|malformed", "f1/0outside.xml|identity-outside-body", "f1/0zeros.xml|leading-zeros"})
            QVERIFY(writeFile(iodd + QString(f).section('|', 0, 0),
                              readFile(fixtureDir + QString(f).section('|', 1) + ".xml")));
        for (const char *f : {"f1/B.xml", "f1/notes.txt", "f2/c.xml"})
            QVERIFY(writeDevice(iodd + f));
        const QStringList elsewhere{iodd + "f2/deeper/e.xml", iodd + "root.xml", outside + "x/x.xml"};
        for (const QString &f : elsewhere)
            QVERIFY(writeDevice(f, {"28", "9", {}, {}, {}, {}}));
        QVERIFY(writeDevice(iodd + "f2/d.xml", {"27", "5", {}, {}, {}, {}}));
        QVERIFY(QFile::link(iodd + "f1/B.xml", iodd + "f2/link.xml") && QFile::link(iodd, iodd + "f2/loop")
                && QFile::link(outside + "x", iodd + "f3"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Failed to parse XML: .*a\\.xml\"$"));
        LibraryIndex index(iodd, QString());
        index.refresh();
        QVERIFY(indexIdle(&index));
        QStringList listed;
        for (const LibraryEntry &e : index.entries())
            listed << e.folder + '/' + e.file;
        QCOMPARE(listed.join(' '), "f1/0outside.xml f1/0zeros.xml f1/a.xml f1/B.xml f2/c.xml f2/d.xml");

        const auto release = [&iodd](const char *name, const char *date) {
            QString text = QString::fromUtf8(readFile(iodd + name));
            text.replace(QRegularExpression("releaseDate=\"[^\"]*\""), QString("releaseDate=\"%1\"").arg(date));
            return writeFile(iodd + name, text.toUtf8() + '\n'); // a new size: changed on disk
        };
        const auto newest = [&](int vendorId, int deviceId, bool scan = true) {
            if (scan)
                index.refresh();
            const QString found =
                scan && !indexIdle(&index) ? QString("busy") : index.newestFile(quint16(vendorId), quint32(deviceId));
            return found.isEmpty() ? "none" : QDir(iodd).relativeFilePath(found);
        };
        QVERIFY(release("f1/B.xml", "") && release("f2/c.xml", ""));
        QCOMPARE(newest(26, 1001), "f1/B.xml");
        QVERIFY(release("f2/c.xml", "2023-11-30"));
        // Not scanned yet: the changed file is not taken, whatever it says now.
        QCOMPARE(newest(26, 1001, false), "f1/B.xml");
        QVERIFY(release("f1/B.xml", "2000-01-01"));
        QCOMPARE(newest(26, 1001, false), "none");
        QCOMPARE(newest(26, 1001), "f2/c.xml");
        QVERIFY(release("f1/B.xml", "2025-06-01"));
        QCOMPARE(QStringList({newest(26, 1001), newest(28, 9), newest(27, 5), newest(26, 1002)}).join(' '),
                 "f1/B.xml none f2/d.xml none");
    }
};

QTEST_MAIN(tst_ioddlibrary)
#include "tst_ioddlibrary.moc"
