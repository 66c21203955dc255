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

static QStringList column(const QTableWidget *table, int c)
{
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row)
        texts << (table->item(row, c) ? table->item(row, c)->text() : QStringLiteral("<none>"));
    return texts;
}

class tst_eventView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initHub8Resources(); }

    void tableFollowsEachSet()
    {
        widget_event view;
        auto *table = view.findChild<QTableWidget *>(QStringLiteral("tableWidget"));
        widget_event::diagnosisItem late{"10:00:05", QString(), "over temperature", true, false, 0, 0, QString()};
        widget_event::diagnosisItem cleared{"10:00:01", "10:00:03", "short circuit", false, false, 0, 0, QString()};
        widget_event::diagnosisItem middle{"10:00:02", QString(), "supply low", true, false, 0, 0, QString()};

        view.onDiagnosis({{200, &late}, {3, &cleared}, {17, &middle}}); // keys in another order than raised
        QCOMPARE(column(table, 0), (QStringList{cleared.errorTime, middle.errorTime, late.errorTime}));
        QCOMPARE(column(table, 1), (QStringList{cleared.recoveryTime, QString(), QString()}));
        QCOMPARE(column(table, widget_event::ColumnText), (QStringList{cleared.text, middle.text, late.text}));
        // State icons, ok for a cleared event and err for a present one; an empty icon without the picture.
        const QString pictures[] = {":/Image/tool/ok.png", ":/Image/tool/err.png"};
        for (int row = 0; row < 2; ++row) {
            const QIcon icon = table->item(row, widget_event::ColumnState)->icon();
            const QImage expected =
                QPixmap(pictures[row]).scaled(18, 18, Qt::KeepAspectRatio, Qt::SmoothTransformation).toImage();
            if (!QFile::exists(pictures[row]))
                QVERIFY(icon.isNull());
            else
                QCOMPARE(icon.pixmap(expected.size()).toImage().convertToFormat(expected.format()), expected);
        }

        // Queued, connected both by name and by member pointers: the set arrives twice, shows once.
        DiagnosisSource source;
        QVERIFY(QObject::connect(&source, SIGNAL(sigDiagnosis(QMap<uint8_t, widget_event::diagnosisItem *>)), &view,
                                 SLOT(onDiagnosis(QMap<uint8_t, widget_event::diagnosisItem *>)),
                                 Qt::QueuedConnection));
        QVERIFY(QObject::connect(&source, &DiagnosisSource::sigDiagnosis, &view, &widget_event::onDiagnosis,
                                 Qt::QueuedConnection));
        emit source.sigDiagnosis({{9, &middle}});
        QCOMPARE(table->rowCount(), 3);
        QTRY_COMPARE(column(table, widget_event::ColumnText), QStringList{middle.text});
        view.onDiagnosis({});
        QCOMPARE(table->rowCount(), 0);
    }
};

QTEST_MAIN(tst_eventView)
#include "tst_eventview.moc"
