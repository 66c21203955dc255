// The write journal: lines appended whole, read back oldest first, rotated at its size limit so that it never
// grows without bound, and a failure to write reported, not hidden.

#include "log/writejournal.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_writejournal : public QObject
{
    Q_OBJECT

    static WriteJournal::Record record(int index)
    {
        WriteJournal::Record r;
        r.time = QDateTime::currentDateTime();
        r.program = "hub8ctl";
        r.port = 2;
        r.index = index;
        r.subindex = 0;
        r.label = QString(150, 'x');
        r.before = QByteArray::fromHex("0032");
        r.after = QByteArray::fromHex("001e");
        r.outcome = "taken";
        return r;
    }

private slots:
    void appendsReadsAndRotates()
    {
        QTemporaryDir dir;
        WriteJournal::setPath(dir.filePath("journal.jsonl"));
        QString error;
        QVERIFY(WriteJournal::append(record(66), &error));
        const QList<WriteJournal::Record> one = WriteJournal::read();
        QCOMPARE(one.size(), 1);
        QCOMPARE(one.first().before.toHex() + one.first().after.toHex() + ' ' + one.first().outcome, "0032001e taken");

        // Far past the limit of all kept files together: the newest stay, the files stay bounded.
        const int lineSize = WriteJournal::toJsonLine(record(1000)).size();
        const int lines = int(WriteJournal::keptFiles * WriteJournal::maxBytes / lineSize) + 600;
        for (int i = 0; i < lines; ++i)
            QVERIFY(WriteJournal::append(record(1000 + i), &error));
        const QStringList files = QDir(dir.path()).entryList(QDir::Files);
        QCOMPARE(files.size(), WriteJournal::keptFiles);
        for (const QString &f : files)
            QVERIFY(QFileInfo(dir.filePath(f)).size() < WriteJournal::maxBytes + 1000);
        const QList<WriteJournal::Record> kept = WriteJournal::read();
        QCOMPARE(kept.last().index, 1000 + lines - 1);
        QVERIFY(kept.first().index > 66 && kept.first().index < kept.last().index);
        QCOMPARE(WriteJournal::read(3).first().index, 1000 + lines - 3);

        // A journal that cannot be written says why.
        WriteJournal::setPath(dir.filePath("journal.jsonl/inside.jsonl"));
        QVERIFY(QFile(dir.filePath("journal.jsonl")).exists());
        QVERIFY(!WriteJournal::append(record(1), &error) && !error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_writejournal)
#include "tst_writejournal.moc"
