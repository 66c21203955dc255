// The project's standard event codes against the Community's (tst_eventpage
// shows which texts a port's events get).

#include "description/analystdiodd.h"
#include "testhelpers.h"

#include <QSet>
#include <QtTest>

namespace {
const QString projectStd = QStringLiteral(HUB8_SOURCE_DIR "/data/std/std1.1/IODD-StandardDefinitions1.1.xml");
} // namespace

class tst_ioddevents : public QObject
{
    Q_OBJECT

private slots:
    // The Community's standard definitions name no event the project's lack.
    void communityCodesCovered()
    {
        if (!testhelpers::corpusPresent())
            QSKIP("no IODD corpus");
        analyStdIodd community(testhelpers::corpusDir()
                               + QStringLiteral("/std/std1.1/IODD-StandardDefinitions1.1.xml"));
        analyStdIodd project(projectStd);
        QSet<QString> ours;
        for (const eventItem &e : project.events())
            ours.insert(e.code);
        QStringList missing;
        for (const eventItem &e : community.events()) {
            if (!ours.contains(e.code))
                missing << e.code;
        }
        QVERIFY2(community.events().size() > 30 && missing.isEmpty(), qPrintable(missing.join(QLatin1Char(' '))));
    }
};

QTEST_MAIN(tst_ioddevents)
#include "tst_ioddevents.moc"
