// The In port page's trend while the user moves between ports and pages: its two charts line up their plot
// edges, and that must come to rest. Each case runs under a watchdog that ends the test when the GUI thread
// stops returning to its event loop, and counts the layouts of the charts once the user is done. (Many items
// laid out again and again: tst_processtrend.)

#include "defaultsetup.h"
#include "guithreadwatchdog.h"
#include "procdata/processdatainpage.h"
#include "procdata/processdatatrend.h"
#include "virtualadapter.h"
#include "windowdriver.h"

#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtTest>
#include <QtWidgets>

class tst_trendlayout : public QObject, WindowDriver::Session
{
    Q_OBJECT
    VirtualAdapter &m_adapter = VirtualAdapter::instance();

    bool showTab(const QString &text)
    {
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->tabText(i) == text) {
                tabs->setCurrentIndex(i);
                return true;
            }
        }
        qWarning() << "no tab" << text << "in" << tabTexts();
        return false;
    }
    // Plot-area changes of the shown trend's charts during `ms` of the user doing nothing.
    int layoutsWhileIdle(int ms)
    {
        auto *in = window->findChild<ProcessDataInPage *>();
        if (!in)
            return -1;
        int changes = 0;
        const auto charts = in->trend()->findChildren<QtCharts::QChartView *>();
        QList<QMetaObject::Connection> connections;
        for (QtCharts::QChartView *view : charts)
            connections << connect(view->chart(), &QtCharts::QChart::plotAreaChanged, this, [&changes] { ++changes; });
        QTest::qWait(ms);
        for (const auto &c : connections)
            disconnect(c);
        return changes;
    }

private slots:
    void initTestCase() { QDir::setCurrent(QCoreApplication::applicationDirPath()); }
    void init()
    {
        applyDefaultSetup(m_adapter);
        m_adapter.faults().isduLatencyMs = 0;
        QVERIFY(reopen());
        window->resize(1280, 800);
    }
    void cleanup() { closeWindow(); }

    // Port2 with one of its pages shown, then Port4 (the same device type) and maybe another page: the kept
    // In port page takes the new device while shown, or is shown for a device it was not laid out for.
    void settlesAfterAnotherPort_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("then");
        QTest::newRow("In port shown, Port4 clicked") << "In port"
                                                      << "";
        QTest::newRow("Basic info, Port4, In port") << "Basic info"
                                                    << "In port";
    }
    void settlesAfterAnotherPort()
    {
        QFETCH(QString, first);
        QFETCH(QString, then);
        GuiThreadWatchdog watchdog(20);
        chooseVariant(0);
        click(1);
        QTRY_VERIFY(tabs->count() > 4);
        QVERIFY(showTab(first));
        QTest::qWait(400);
        chooseVariant(0);
        click(3);
        QTRY_VERIFY(tabs->count() > 4);
        QVERIFY(then.isEmpty() || showTab(then));
        QTest::qWait(300);
        const int changes = layoutsWhileIdle(1000);
        QVERIFY2(changes >= 0 && changes < 20, qPrintable(QString::number(changes)));
    }
};

QTEST_MAIN(tst_trendlayout)
#include "tst_trendlayout.moc"
