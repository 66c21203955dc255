// Virtual devices built from every IODD of the corpus.

#include "iodddevice.h"
#include "testhelpers.h"

#include <QtTest>

class tst_corpusdevices : public QObject
{
    Q_OBJECT

private slots:
    // Every corpus device answers each of its indexes, by subindex 0 and 1, and takes back what it read.
    void answersAndTakesBackEveryIndex()
    {
        if (!testhelpers::corpusPresent())
            QSKIP(qPrintable(QStringLiteral("no IODD corpus at ") + testhelpers::corpusDir()));
        const QString corpus = testhelpers::corpusDir();
        const QString stdDir = QCoreApplication::applicationDirPath() + QStringLiteral("/std");
        int devices = 0;
        for (QDirIterator it(corpus, {QStringLiteral("*.xml")}, QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();) {
            const QString path = it.next();
            QString error;
            auto device =
                path.mid(corpus.size()).startsWith("/std/") ? nullptr : IoddDevice::fromFile(path, stdDir, &error);
            if (!device)
                continue;
            ++devices;
            for (quint16 index : device->indexes()) {
                const IsduAnswer whole = device->readIsdu(index, 0);
                device->readIsdu(index, 1);
                const IsduAnswer back =
                    whole.ok() && index != 2 && index != 0 ? device->writeIsdu(index, 0, whole.data) : IsduAnswer();
                QVERIFY2(back.ok() || back.error == isduerror::accessDenied,
                         qPrintable(QStringLiteral("%1 index %2: %3").arg(path).arg(index).arg(back.error, 0, 16)));
            }
            QCOMPARE(device->processDataIn(1234).size(), device->processDataInOctets());
        }
        QVERIFY(devices > 10);
    }
};

QTEST_GUILESS_MAIN(tst_corpusdevices)
#include "tst_corpusdevices.moc"
