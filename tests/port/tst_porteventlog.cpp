// Diagnosis events derived from the port states the adapter reports, and the event page's table of them.

#include "link/portstatusmonitor.h"
#include "port/porteventlog.h"
#include "protocol/adapterregisters.h"
#include "resources/hub8resources.h"
#include "views/widget_event.h"

#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

class tst_porteventlog : public QObject
{
    Q_OBJECT
    static constexpr quint8 operate = adapterregs::ModeIoLinkOperate, lost = adapterregs::ModeCommunicationLost;

    static QVector<PortState> modes(std::initializer_list<quint8> m)
    {
        QVector<PortState> states;
        for (quint8 mode : m)
            states << PortState{mode};
        return states;
    }
    static QStringList column(const QTableWidget *table, int c)
    {
        QStringList texts;
        for (int row = 0; row < table->rowCount(); ++row)
            texts << (table->item(row, c) ? table->item(row, c)->text() : QStringLiteral("<none>"));
        return texts;
    }

private slots:
    void lostCommunicationRaisesAndClears()
    {
        portEventLog log(2);
        QSignalSpy changed(&log, &portEventLog::eventsChanged);
        log.update(true, modes({operate, operate}));
        log.update(true, modes({operate, lost}));
        log.update(true, modes({operate, lost}));
        QCOMPARE(log.events(1).size(), 1); // still the same event, not a second one
        const widget_event::diagnosisItem *first = log.events(1).value(1);
        QVERIFY(first->isError && first->text.contains("Port2") && first->recoveryTime.isEmpty());
        log.update(true, modes({operate, operate}));
        QVERIFY(!first->isError && !first->recoveryTime.isEmpty());
        log.update(true, modes({operate, lost}));
        QCOMPARE(log.events(1).keys(), (QList<uint8_t>{1, 2})); // oldest first
        QCOMPARE(changed.count(), 3);
        QVERIFY(log.events(0).isEmpty() && log.events(7).isEmpty());

        // The event page shows each set in full: times, text, and the state as an icon (none without the picture).
        initHub8Resources();
        widget_event view;
        auto *table = view.findChild<QTableWidget *>(QStringLiteral("tableWidget"));
        view.onDiagnosis(log.events(1));
        const widget_event::diagnosisItem *second = log.events(1).value(2);
        QCOMPARE(column(table, 0), (QStringList{first->errorTime, second->errorTime}));
        QCOMPARE(column(table, 1), (QStringList{first->recoveryTime, QString()}));
        QCOMPARE(column(table, 2), (QStringList{first->text, second->text}));
        const char *pictures[] = {":/Image/tool/ok.png", ":/Image/tool/err.png"};
        for (int row = 0; row < 2; ++row) {
            const QImage expected =
                QPixmap(pictures[row]).scaled(18, 18, Qt::KeepAspectRatio, Qt::SmoothTransformation).toImage();
            const QIcon icon = table->item(row, 3)->icon();
            QVERIFY(QFile::exists(pictures[row])
                        ? icon.pixmap(expected.size()).toImage().convertToFormat(expected.format()) == expected
                        : icon.isNull());
        }
        view.onDiagnosis({});
        QCOMPARE(table->rowCount(), 0);
    }

    void silentAdapterConcernsEveryPort()
    {
        portEventLog log(3);
        log.update(false, {});
        for (int p = 0; p < 3; ++p)
            QVERIFY(log.events(p).size() == 1 && log.events(p).first()->isError);
        log.update(true, modes({0, 0, 0}));
        QVERIFY(!log.events(2).first()->isError);
    }

    void keepsTheNewestEvents()
    {
        portEventLog log(1);
        for (int i = 0; i < portEventLog::maxEventsPerPort + 5; ++i) {
            log.update(true, modes({lost}));
            log.update(true, modes({operate}));
        }
        QCOMPARE(log.events(0).size(), portEventLog::maxEventsPerPort);
    }
};

QTEST_MAIN(tst_porteventlog)
#include "tst_porteventlog.moc"
