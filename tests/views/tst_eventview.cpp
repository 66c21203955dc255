// The event page: the table rebuilt from each set of diagnosis records.

#include "resources/hub8resources.h"
#include "views/widget_event.h"

#include <QFile>
#include <QTableWidget>
#include <QtTest>

// Stands in for the port page, which hands the sets over by this signal.
class DiagnosisSource : public QObject
{
    Q_OBJECT
signals:
    void sigDiagnosis(QMap<uint8_t, widget_event::diagnosisItem *> items);
};

class tst_eventView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initHub8Resources(); }
    void tableFollowsEachSet();
    void setTravelsThroughQueuedConnection();
};

static QStringList column(const QTableWidget *table, int c)
{
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row)
        texts << (table->item(row, c) ? table->item(row, c)->text() : QStringLiteral("<none>"));
    return texts;
}

void tst_eventView::tableFollowsEachSet()
{
    widget_event view;
    auto *table = view.findChild<QTableWidget *>(QStringLiteral("tableWidget"));
    widget_event::diagnosisItem late{"10:00:05", QString(), "over temperature", true};
    widget_event::diagnosisItem cleared{"10:00:01", "10:00:03", "short circuit", false};
    widget_event::diagnosisItem middle{"10:00:02", QString(), "supply low", true};

    // Numbered in another order than raised; the same set sent twice.
    const QMap<uint8_t, widget_event::diagnosisItem *> set{{200, &late}, {3, &cleared}, {17, &middle}};
    for (int pass = 0; pass < 2; ++pass) {
        view.onDiagnosis(set);
        QCOMPARE(column(table, 2), (QStringList{cleared.text, middle.text, late.text}));
        QCOMPARE(column(table, 0), (QStringList{cleared.errorTime, middle.errorTime, late.errorTime}));
        QCOMPARE(column(table, 1), (QStringList{cleared.recoveryTime, QString(), QString()}));
        QCOMPARE(column(table, 3), (QStringList{QString(), QString(), QString()}));
    }

    // State icons: err for a present event, ok for a cleared one; without the
    // picture the row still shows, with an empty icon.
    const QString pictures[] = {":/Image/tool/ok.png", ":/Image/tool/err.png"};
    for (int row = 0; row < 2; ++row) {
        const QIcon icon = table->item(row, 3)->icon();
        if (!QFile::exists(pictures[row])) {
            QVERIFY(icon.isNull());
            continue;
        }
        const QImage expected =
            QPixmap(pictures[row]).scaled(18, 18, Qt::KeepAspectRatio, Qt::SmoothTransformation).toImage();
        QCOMPARE(icon.pixmap(expected.size()).toImage().convertToFormat(expected.format()), expected);
    }

    view.onDiagnosis({{9, &middle}});
    QCOMPARE(column(table, 2), QStringList{middle.text});
    view.onDiagnosis({});
    QCOMPARE(table->rowCount(), 0);
}

void tst_eventView::setTravelsThroughQueuedConnection()
{
    widget_event view;
    auto *table = view.findChild<QTableWidget *>(QStringLiteral("tableWidget"));
    DiagnosisSource source;
    widget_event::diagnosisItem item{"09:00:00", QString(), "overload", true};
    const QMap<uint8_t, widget_event::diagnosisItem *> set{{4, &item}};

    // By name, as SIGNAL()/SLOT() connect, and by member pointers.
    QVERIFY(QObject::connect(&source, SIGNAL(sigDiagnosis(QMap<uint8_t, widget_event::diagnosisItem *>)), &view,
                             SLOT(onDiagnosis(QMap<uint8_t, widget_event::diagnosisItem *>)),
                             Qt::QueuedConnection));
    QVERIFY(QObject::connect(&source, &DiagnosisSource::sigDiagnosis, &view, &widget_event::onDiagnosis,
                             Qt::QueuedConnection));
    emit source.sigDiagnosis(set);
    QCOMPARE(table->rowCount(), 0);
    QTRY_COMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 2)->text(), item.text);
}

QTEST_MAIN(tst_eventView)
#include "tst_eventview.moc"
