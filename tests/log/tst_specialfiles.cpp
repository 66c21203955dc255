// Every file the tool reads or opens for writing, given a FIFO or /dev/zero
// where a regular file belongs: refused at once with a reason, never a hang or
// a read without end. An alarm ends the test if a call blocks.

#include "codec/parameterset.h"
#include "library/libraryentry.h"
#include "library/libraryindex.h"
#include "log/linktracefile.h"
#include "log/wholefile.h"
#include "scenario.h"
#include "virtualadapter.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class tst_specialfiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_fifo;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir().mkpath(m_dir.filePath("library/vendor")));
        m_fifo = m_dir.filePath("library/vendor/device.xml");
        QCOMPARE(mkfifo(QFile::encodeName(m_fifo).constData(), 0600), 0);
        alarm(20);
    }
    void cleanupTestCase() { alarm(0); }

    void readersRefuseThem_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("FIFO") << m_fifo;
        QTest::newRow("/dev/zero") << QStringLiteral("/dev/zero");
    }
    void readersRefuseThem()
    {
        QFETCH(QString, path);
        QByteArray data;
        QString why;
        QVERIFY(!WholeFile::read(path, 1024, &data, &why));
        QCOMPARE(why, QString("not a regular file"));

        ParameterSet::Set set;
        QVERIFY(!ParameterSet::readFile(path, &set, &why));
        QVERIFY2(why.endsWith(": not a regular file"), qPrintable(why));

        QString error;
        QVERIFY(!applyScenarioFile(path, VirtualAdapter::instance(), &error));
        QVERIFY2(error.endsWith(": not a regular file"), qPrintable(error));

        const QFileInfo info(path);
        QVERIFY(
            !LibraryEntries::read(QFileInfo(info.absolutePath()).absolutePath(), info.dir().dirName(), info.fileName())
                 .parsed);
    }

    // A library holding a FIFO named like a description: the scan passes it by.
    void librarySearchPassesAFifoBy()
    {
        LibraryIndex index(m_dir.filePath("library"), QString());
        index.refresh();
        QVERIFY(QTest::qWaitFor([&index] { return !index.isBusy(); }, 5000));
        QVERIFY(index.isKnown() && index.entries().isEmpty());
    }

    // A FIFO as the trace file would block start-up until someone reads it.
    void traceFileRefusesAFifo()
    {
        LinkTraceFile trace;
        QString error;
        QVERIFY(!trace.open(m_fifo, &error));
        QVERIFY2(error.contains("not a regular file"), qPrintable(error));
    }

    // A file larger than the limit, or growing past it, is refused whole.
    void sizeLimit()
    {
        const QString path = m_dir.filePath("big.json");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(2048, ' ')) == 2048);
        file.close();
        QByteArray data = "left";
        QString why;
        QVERIFY(!WholeFile::read(path, 2047, &data, &why));
        QCOMPARE(why, QString("larger than 2047 octets"));
        QVERIFY(WholeFile::read(path, 2048, &data, &why));
        QCOMPARE(data.size(), 2048);
    }
};

QTEST_GUILESS_MAIN(tst_specialfiles)
#include "tst_specialfiles.moc"
