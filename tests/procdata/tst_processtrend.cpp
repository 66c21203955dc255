// The trend of the input page: its lines follow what the device sends, keep only the chosen time span, pause without
// losing polls and start over with a new layout.

#include "guithreadwatchdog.h"
#include "procdata/bitlanes.h"
#include "procdata/processdatainpage.h"
#include "procdata/processdatatrend.h"
#include "procdatafixtures.h"
#include "resources/hub8resources.h"

#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>

#include <QComboBox>
#include <QPushButton>

using namespace ProcDataFixtures;
using namespace QtCharts;

namespace {

QLineSeries *seriesEndingWith(const ProcessDataTrend *trend, const QString &end)
{
    for (const ProcessDataRecording::Channel &c : trend->recording().channels()) {
        if (c.title().endsWith(end))
            return trend->series(c.title());
    }
    return nullptr;
}

double lastY(const QLineSeries *s)
{
    return s && s->count() > 0 ? s->at(s->count() - 1).y() : qQNaN();
}

// Reads of the port's input window in the adapter's log.
int inputReads(int port)
{
    int n = 0;
    for (const VirtualAdapter::Exchange &x : VirtualAdapter::instance().log())
        n += x.request.mid(1, 4) == QByteArray("\x01\x03\x90", 3) + char(0x20 * port);
    return n;
}

// A pressure in 0.1 bar in the high octet pair, a flag at bit 0.
TreeItem gauge()
{
    return node(32, {at(item("UIntegerT", "16", "0", "65535", {}, "1"), 16, "0.1", "bar"), at(flag("2"), 0)});
}

// The trend of gauge(), shown at 800 x 500.
bool showGauge(ProcessDataTrend &trend)
{
    trend.resize(800, 500);
    trend.startRecording(ProcessDataCodec::layoutOf(gauge()), "PD");
    trend.show();
    return QTest::qWaitForWindowExposed(&trend);
}

QVector<ProcessDataCodec::ItemValue> decoded(const ProcessDataTrend &trend, const QByteArray &data)
{
    return ProcessDataCodec::decode(trend.recording().layout(), data);
}

} // namespace

class tst_processtrend : public QObject
{
    Q_OBJECT

    QByteArray m_input = QByteArray(4, '\0');
    VirtualAdapter &m_adapter = VirtualAdapter::instance();

private slots:
    void initTestCase() { initHub8Resources(); }
    void init() { setUpAdapter(1, &m_input); }

    void followsTheDeviceWhilePolling()
    {
        ProcessDataInPage page;
        page.resize(900, 700);
        page.setPort(1);
        page.setProcessData(builtinProcessData(true));
        page.show();
        const ProcessDataTrend *trend = page.trend();
        QLineSeries *pressure = seriesEndingWith(trend, "[bar]");
        QString out2;
        for (const ProcessDataRecording::Channel &c : trend->recording().channels())
            out2 = c.title().endsWith("OUT2") ? c.title() : out2;
        QVERIFY(pressure && !out2.isEmpty());
        const auto lastState = [&] { return trend->points(out2).isEmpty() ? -1.0 : trend->points(out2).last().y(); };

        m_input = hex("04 b0 07 5a"); // 120.0 bar, OUT2 on
        page.findChild<QPushButton *>("pbtn_start")->click();
        QTRY_COMPARE_WITH_TIMEOUT(lastY(pressure), 120.0, 2000);
        QCOMPARE(lastState(), 1.0);
        m_input = hex("0f a0 00 05"); // 400.0 bar, OUT2 off
        QTRY_COMPARE_WITH_TIMEOUT(lastY(pressure), 400.0, 2000);
        QCOMPARE(lastState(), 0.0);
        page.findChild<QPushButton *>("pbtn_stop")->click();

        // Every poll is one sample, and one CSV row.
        QCOMPARE(trend->recording().size(), inputReads(1));
        QCOMPARE(trend->recording().octetsAt(trend->recording().size() - 1), hex("0f a0 00 05"));
    }

    // A new layout without bits gets plot edges for its own labels, not those lined up with the last
    // layout's lanes (the In port page keeps its trend from one device to the next).
    void newLayoutDropsLinedUpEdges()
    {
        ProcessDataTrend trend;
        QVERIFY(showGauge(trend));
        QChart *numbers = trend.series("UIntegerT1 [bar]")->chart();
        const QMargins base(4, 2, 4, 2);
        QTRY_VERIFY(numbers->margins() != base); // moved in for the lane's name
        trend.startRecording(
            ProcessDataCodec::layoutOf(node(16, {at(item("UIntegerT", "16", "0", "65535", {}, "1"), 0, "0.1", "bar")})),
            "PD");
        QCOMPARE(numbers->margins(), base);
    }

    // Three dozen items, numbers in four units and bits with long names, laid out again at other sizes as
    // the In port page is for one device after another, hidden and shown again: the two plots end up
    // with the same edges, and their layouts come to rest.
    void manyItemsSettleLinedUp()
    {
        GuiThreadWatchdog watchdog(20);
        QList<ValueItem> items;
        int offset = 0;
        const QStringList units{"bar", "°C", "mm", "%"};
        for (int k = 0; k < 12; ++k, offset += 16) {
            ValueItem v = at(item("IntegerT", "16", "-32768", "32767", {}, QString::number(k + 1)), offset, "0.01",
                             units.at(k % 4));
            v.label = QString("Measured value of channel %1").arg(k + 1);
            items << v;
        }
        for (int k = 0; k < 24; ++k, ++offset) {
            ValueItem f = at(flag(QString::number(13 + k)), offset);
            f.label = QString("Switching state of input pin %1").arg(k + 1);
            items << f;
        }
        const ProcessDataCodec::Layout layout = ProcessDataCodec::layoutOf(node(offset, items));
        ProcessDataTrend trend;
        trend.resize(900, 420);
        trend.startRecording(layout, "PD");
        trend.show();
        QVERIFY(QTest::qWaitForWindowExposed(&trend));
        QChart *numbers = trend.series(trend.recording().channels().first().title())->chart();
        const BitLanes *lanes = trend.bitLanes();
        int changes = 0;
        connect(numbers, &QChart::plotAreaChanged, this, [&changes] { ++changes; });

        const qint64 t0 = QDateTime::currentMSecsSinceEpoch();
        for (const QSize &size : {QSize(900, 420), QSize(520, 260), QSize(1400, 800), QSize(700, 330)}) {
            trend.resize(size);
            trend.startRecording(layout, "PD");
            for (int i = 0; i < 5; ++i) {
                const QByteArray data = QByteArray(offset / 8, char(0x11 * (i + 1)));
                trend.record(t0 + 300 * i, data, decoded(trend, data));
            }
            trend.hide();
            trend.show();
            QTest::qWait(100);
        }
        QTest::qWait(200);
        changes = 0;
        QTest::qWait(1000);
        QVERIFY2(changes < 5, qPrintable(QString::number(changes)));
        const QRect plot = trend.numberPlotArea();
        const QRect lanePlot(lanes->mapTo(&trend, lanes->plotRect().topLeft()), lanes->plotRect().size());
        QVERIFY2(qAbs(plot.left() - lanePlot.left()) <= 1 && qAbs(plot.right() - lanePlot.right()) <= 1,
                 qPrintable(QString("numbers %1..%2, bits %3..%4")
                                .arg(plot.left())
                                .arg(plot.right())
                                .arg(lanePlot.left())
                                .arg(lanePlot.right())));
        // Every lane's name whole at the page's width on a 1366 x 768 screen.
        QCOMPARE(lanes->laneCount(), 24);
        trend.resize(1000, 330);
        QVERIFY(lanes->labelColumnWidth() > lanes->fontMetrics().horizontalAdvance("Switching state of input pin 24"));
    }

    // Three minutes of polls: the lines hold the chosen span; paused, they and the axis stand still while
    // the recording goes on.
    void spanAndPause()
    {
        ProcessDataTrend trend;
        QVERIFY(showGauge(trend));
        QLineSeries *pressure = trend.series("UIntegerT1 [bar]");
        QVERIFY(pressure);
        // Poll i comes 300 ms after the one before and shows i / 10 bar; the flag goes on after one minute.
        const qint64 t0 = 1'800'000'000'000;
        const auto poll = [&](int i) {
            const QByteArray data = QByteArray(1, char(i >> 8)) + char(i) + '\0' + char(i >= 200);
            trend.record(t0 + 300 * i, data, decoded(trend, data));
            return t0 + 300 * i;
        };
        const int polls = 600;
        qint64 end = t0;
        for (int i = 0; i < polls; ++i)
            end = poll(i);
        QCOMPARE(trend.recording().size(), polls);
        QCOMPARE(lastY(pressure), 59.9);
        // The time axis shows the span and moves in steps of a tenth of it.
        const qint64 axisEnd = trend.timeAxis()->max().toMSecsSinceEpoch();
        QVERIFY(axisEnd > end && axisEnd <= end + 6'000);
        QCOMPARE(trend.timeAxis()->min().toMSecsSinceEpoch(), axisEnd - 60'000);
        // Old points go when the axis moves: never more than the span, a step and the point before.
        const QVector<QPointF> shown = trend.points(pressure->name());
        QVERIFY(shown.first().x() >= axisEnd - 60'000 - 300 && shown.first().x() <= axisEnd - 60'000);
        QCOMPARE(shown.last(), QPointF(end, 59.9));
        QVERIFY(shown.size() <= (60'000 + 6'000) / 300 + 2);

        // A longer span shows what was recorded before, a shorter one less.
        trend.setSpanSeconds(300);
        QCOMPARE(trend.points(pressure->name()).size(), polls);
        QCOMPARE(trend.points(pressure->name()).first(), QPointF(t0, 0.0));
        // The flag as a step at poll 200; a steady state is a run of two points.
        const QList<QPointF> steps{{double(t0), 0}, {t0 + 60'000.0, 0}, {t0 + 60'000.0, 1}, {double(end), 1}};
        QCOMPARE(trend.points("BooleanT2").toList(), steps);
        trend.setSpanSeconds(10);
        const QVector<QPointF> last10s = trend.points(pressure->name());
        const double left = double(trend.timeAxis()->min().toMSecsSinceEpoch());
        QVERIFY(last10s.at(0).x() <= left && last10s.at(1).x() > left); // from just before the left edge
        QCOMPARE(last10s.last(), QPointF(end, 59.9));
        QCOMPARE(trend.findChild<QComboBox *>("combo_span")->currentData().toInt(), 10);

        trend.findChild<QPushButton *>("pbtn_pause")->click();
        QVERIFY(trend.isPaused());
        const QDateTime pausedEnd = trend.timeAxis()->max();
        const QPointF first(poll(600), 60.0), second(poll(620), 62.0);
        QCOMPARE(trend.points(pressure->name()), last10s);
        QCOMPARE(trend.timeAxis()->max(), pausedEnd);
        QCOMPARE(trend.recording().size(), polls + 2);
        trend.findChild<QPushButton *>("pbtn_pause")->click();
        QCOMPARE(trend.points(pressure->name()).mid(trend.points(pressure->name()).size() - 2),
                 QVector<QPointF>({first, second}));
        QVERIFY(trend.timeAxis()->max() > pausedEnd);

        // A legend entry hides its line and brings it back.
        QLegendMarker *marker = pressure->chart()->legend()->markers(pressure).value(0);
        QVERIFY(marker);
        emit marker->clicked();
        QVERIFY(!pressure->isVisible() && marker->isVisible());
        emit marker->clicked();
        QVERIFY(pressure->isVisible());
    }

    // The lanes draw each state from its change to the last poll, tinted while on, and nothing after the last
    // poll; forgetting old changes keeps the one still in force.
    void lanesPaintStatesUpToTheLastPoll()
    {
        BitLanes lanes;
        lanes.resize(420, 120);
        lanes.setLanes({"steady", "later on"});
        lanes.setTimeRange(0, 10'000);
        lanes.appendPoll(0, {1, 0}, false);
        lanes.appendPoll(5'000, {1, 1}, false);
        lanes.appendPoll(7'000, {-1, 1}, false); // the first bit not read: it keeps its state
        const auto pixels = [&lanes] {
            const QImage image = lanes.grab().toImage();
            const QRect plot = lanes.plotRect();
            const int laneHeight = plot.height() / lanes.laneCount();
            QVector<QColor> at; // per lane: 2.5 s, 6 s, 9 s
            for (int lane = 0; lane < lanes.laneCount(); ++lane)
                for (const qint64 t : {2'500, 6'000, 9'000})
                    at << image.pixelColor(plot.left() + int(t * (plot.width() - 1) / 10'000),
                                           lane * laneHeight + laneHeight / 2);
            return at;
        };
        QVector<QColor> at = pixels();
        QVERIFY(at[0] != at[2] && at[1] == at[0]); // steady: tinted up to the last poll, not after
        QVERIFY(at[3] == at[5] && at[4] != at[5]); // later on: untinted before its change
        QCOMPARE(lanes.points(0), QVector<QPointF>({{0, 1}, {7'000, 1}}));

        lanes.dropBefore(6'000);
        QCOMPARE(lanes.points(1), QVector<QPointF>({{5'000, 1}, {7'000, 1}}));
        at = pixels();
        QVERIFY(at[3] == at[5] && at[4] != at[5]);
    }

    void newLayoutStartsOver()
    {
        ProcessDataInPage page;
        page.setProcessData(gauge());
        page.show();
        page.refresh(hex("00 10 00 01"));
        QCOMPARE(page.trend()->recording().size(), 1);

        page.setProcessData(node(8, {at(item("IntegerT", "8", "-128", "127", {}, "5"), 0, "", "mm")}));
        QCOMPARE(page.trend()->recording().size(), 0);
        QVERIFY(!page.trend()->series("UIntegerT1 [bar]"));
        page.refresh(hex("fe 00"));
        QCOMPARE(lastY(page.trend()->series("PD [mm]")), -2.0); // one item takes the data's name
    }
};

QTEST_MAIN(tst_processtrend)
#include "tst_processtrend.moc"
