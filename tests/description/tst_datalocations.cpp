// Where the programs find the standard definitions and the IODD libraries: beside the executable in the build tree,
// under share/vanto-hub8 when installed; and the user's library seeded once from the shipped one without anything
// written outside it.

#include "description/datalocations.h"
#include "testhelpers.h"

#include <QtTest>

using TestHelpers::readFile;
using TestHelpers::writeFile;

class tst_datalocations : public QObject
{
    Q_OBJECT

private slots:
    void buildTreeAndInstalledLayouts()
    {
        QTemporaryDir root;
        const QString build = root.filePath("build/bin");
        const QString installedBin = root.filePath("usr/bin");
        QVERIFY(QDir().mkpath(build + "/std/std1.1"));
        QVERIFY(QDir().mkpath(installedBin));
        const QString home = root.filePath("home/.local/share");

        QVERIFY(!DataLocations::installedFor(build));
        QCOMPARE(DataLocations::dataDirFor(build), build);
        QCOMPARE(DataLocations::userLibraryDirFor(build, home), build + "/iodd");

        QVERIFY(DataLocations::installedFor(installedBin));
        QCOMPARE(DataLocations::dataDirFor(installedBin), root.filePath("usr/share/vanto-hub8"));
        QCOMPARE(DataLocations::userLibraryDirFor(installedBin, home), home + "/vanto-hub8/iodd");

        // This test runs from the build tree, where the user's library is the shipped one.
        QCOMPARE(DataLocations::userLibraryDir(), DataLocations::shippedLibraryDir());
        QString why;
        QVERIFY(DataLocations::seedUserLibrary(&why)); // nothing to copy onto itself
    }

    // Copied once, links not followed; what cannot be done leaves nothing.
    void seedingCopiesTheLibraryOnce()
    {
        QTemporaryDir root;
        const QString shipped = root.filePath("share/iodd");
        const QString user = root.filePath("home/vanto-hub8/iodd");
        QVERIFY(writeFile(shipped + "/A_1_V1_a/a.xml", "<a/>"));
        QVERIFY(writeFile(shipped + "/A_1_V1_a/a-pic.png", "png"));
        QVERIFY(writeFile(shipped + "/B_2_V1_b/b.xml", "<b/>"));
        QVERIFY(QDir().mkpath(shipped + "/empty"));
        // Links are not followed: what they point at stays where it is.
        QVERIFY(writeFile(root.filePath("outside/secret.xml"), "<secret/>"));
        QVERIFY(QFile::link(root.filePath("outside"), shipped + "/linked"));
        QVERIFY(QFile::link(root.filePath("outside/secret.xml"), shipped + "/A_1_V1_a/secret.xml"));

        QString why;
        QVERIFY2(DataLocations::seedLibrary(shipped, user, &why), qPrintable(why));
        QCOMPARE(readFile(user + "/A_1_V1_a/a.xml"), QByteArray("<a/>"));
        QCOMPARE(readFile(user + "/A_1_V1_a/a-pic.png"), QByteArray("png"));
        QCOMPARE(readFile(user + "/B_2_V1_b/b.xml"), QByteArray("<b/>"));
        QVERIFY(QFileInfo(user + "/empty").isDir());
        QVERIFY(!QFileInfo::exists(user + "/linked"));
        QVERIFY(!QFileInfo::exists(user + "/A_1_V1_a/secret.xml"));

        // The user's changes stay: a library that exists, even emptied, is never seeded again.
        QVERIFY(QDir(user + "/B_2_V1_b").removeRecursively());
        QVERIFY(writeFile(user + "/C_3_V1_c/c.xml", "<c/>"));
        QVERIFY(DataLocations::seedLibrary(shipped, user, &why));
        QVERIFY(!QFileInfo::exists(user + "/B_2_V1_b"));
        QVERIFY(QFileInfo::exists(user + "/C_3_V1_c/c.xml"));
        QVERIFY(QDir(user).removeRecursively() && QDir().mkpath(user));
        QVERIFY(DataLocations::seedLibrary(shipped, user, &why));
        QVERIFY(QDir(user).isEmpty());

        // Without a shipped library nothing is made, so the next start tries again; a user folder
        // that cannot be made (a file stands where its parent should be) is said.
        const QString later = root.filePath("home2/vanto-hub8/iodd");
        QVERIFY(!DataLocations::seedLibrary(root.filePath("missing"), later, &why) && why.contains("missing"));
        QVERIFY(!QFileInfo::exists(later));
        QVERIFY(writeFile(root.filePath("blocked"), "x"));
        QVERIFY(!DataLocations::seedLibrary(shipped, root.filePath("blocked/iodd"), &why)
                && why.contains("cannot create"));
    }
};

QTEST_GUILESS_MAIN(tst_datalocations)
#include "tst_datalocations.moc"
