// Diagnosis events derived from the port states the adapter reports.

#include "link/portstatusmonitor.h"
#include "port/porteventlog.h"
#include "protocol/adapterregisters.h"

#include <QSignalSpy>
#include <QtTest>

class tst_porteventlog : public QObject
{
    Q_OBJECT

    static QVector<PortState> modes(std::initializer_list<quint8> m)
    {
        QVector<PortState> states;
        for (quint8 mode : m) {
            PortState s;
            s.mode = mode;
            states << s;
        }
        return states;
    }

private slots:
    void lostCommunicationRaisesAndClears()
    {
        portEventLog log(2);
        QSignalSpy changed(&log, &portEventLog::eventsChanged);
        log.update(true, modes({adapterregs::ModeIoLinkOperate, adapterregs::ModeIoLinkOperate}));
        QVERIFY(log.events(0).isEmpty());
        QCOMPARE(changed.count(), 0);

        log.update(true, modes({adapterregs::ModeIoLinkOperate, adapterregs::ModeCommunicationLost}));
        log.update(true, modes({adapterregs::ModeIoLinkOperate, adapterregs::ModeCommunicationLost}));
        QCOMPARE(log.events(1).size(), 1); // still the same event, not a second one
        const widget_event::diagnosisItem *e = log.events(1).value(1);
        QVERIFY(e->isError);
        QVERIFY(e->text.contains(QStringLiteral("Port2")));
        QVERIFY(e->recoveryTime.isEmpty());

        log.update(true, modes({adapterregs::ModeIoLinkOperate, adapterregs::ModeIoLinkOperate}));
        QVERIFY(!e->isError);
        QVERIFY(!e->recoveryTime.isEmpty());
        log.update(true, modes({adapterregs::ModeIoLinkOperate, adapterregs::ModeCommunicationLost}));
        QCOMPARE(log.events(1).keys(), (QList<uint8_t>{1, 2})); // oldest first
        QCOMPARE(changed.count(), 3);
        QVERIFY(log.events(0).isEmpty());
        QVERIFY(log.events(7).isEmpty());
    }

    void silentAdapterConcernsEveryPort()
    {
        portEventLog log(3);
        log.update(false, {});
        for (int p = 0; p < 3; ++p) {
            QCOMPARE(log.events(p).size(), 1);
            QVERIFY(log.events(p).first()->isError);
        }
        log.update(true, modes({0, 0, 0}));
        QVERIFY(!log.events(2).first()->isError);
    }

    void keepsTheNewestEvents()
    {
        portEventLog log(1);
        for (int i = 0; i < portEventLog::maxEventsPerPort + 5; ++i) {
            log.update(true, modes({adapterregs::ModeCommunicationLost}));
            log.update(true, modes({adapterregs::ModeIoLinkOperate}));
        }
        QCOMPARE(log.events(0).size(), portEventLog::maxEventsPerPort);
    }
};

QTEST_MAIN(tst_porteventlog)
#include "tst_porteventlog.moc"
