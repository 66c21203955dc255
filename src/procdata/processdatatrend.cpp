#include "processdatatrend.h"

#include "bitlanes.h"

#include "codec/processdatacsv.h"
#include "log/hub8log.h"
#include "widgets/statuslabel.h"

#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QShowEvent>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace QtCharts;

namespace {

// The lanes take at most this height before they scroll, when the numbers share the trend.
constexpr int lanesShownHeight = 240;

// The spans the user can choose, in seconds.
constexpr int spanChoices[] = {10, 30, 60, 120, 300, 600};
// The time axis moves by this part of the span at a time.
constexpr int axisStepsPerSpan = 10;
// The count of polls beside the buttons changes every this many polls (3 s),
// not every poll: each change lays out the row again.
constexpr int statusEveryPolls = 10;

QChart *newChart(QDateTimeAxis *time)
{
    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundRoundness(0);
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setMargins(QMargins(4, 2, 4, 2));
    time->setFormat(QStringLiteral("HH:mm:ss"));
    time->setTickCount(7);
    chart->addAxis(time, Qt::AlignBottom);
    return chart;
}

QChartView *newView(QChart *chart, QWidget *parent)
{
    auto *view = new QChartView(chart, parent);
    // Without antialiasing lines and grid take the raster engine's fast path.
    view->setRenderHint(QPainter::Antialiasing, false);
    view->setOptimizationFlag(QGraphicsView::DontAdjustForAntialiasing);
    // The lines change every poll: an index of item positions would be
    // rebuilt each time for a scene of a few dozen items.
    view->scene()->setItemIndexMethod(QGraphicsScene::NoIndex);
    view->setMinimumSize(160, 60);
    return view;
}

void setAlpha(QLegendMarker *marker, qreal alpha)
{
    QBrush label = marker->labelBrush();
    QColor c = label.color();
    c.setAlphaF(alpha);
    label.setColor(c);
    marker->setLabelBrush(label);
    QBrush brush = marker->brush();
    c = brush.color();
    c.setAlphaF(alpha);
    brush.setColor(c);
    marker->setBrush(brush);
}

} // namespace

ProcessDataTrend::ProcessDataTrend(QWidget *parent) : QWidget(parent)
{
    m_span = new QComboBox(this);
    m_span->setObjectName(QStringLiteral("combo_span"));
    for (int s : spanChoices)
        m_span->addItem(QString(), s);
    m_span->setCurrentIndex(m_span->findData(m_spanSeconds));
    connect(m_span, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int) { setSpanSeconds(m_span->currentData().toInt()); });

    m_pause = new QPushButton(this);
    m_pause->setObjectName(QStringLiteral("pbtn_pause"));
    m_pause->setCheckable(true);
    connect(m_pause, &QPushButton::toggled, this, &ProcessDataTrend::setPaused);

    m_export = new QPushButton(this);
    m_export->setObjectName(QStringLiteral("pbtn_export"));
    connect(m_export, &QPushButton::clicked, this, &ProcessDataTrend::onExportClicked);

    m_status = new StatusLabel(this);
    m_status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto *controls = new QHBoxLayout;
    controls->setContentsMargins(0, 0, 0, 0);
    m_spanLabel = new QLabel(this);
    controls->addWidget(m_spanLabel);
    controls->addWidget(m_span);
    controls->addWidget(m_pause);
    controls->addWidget(m_export);
    controls->addWidget(m_status, 1);

    m_numberTime = new QDateTimeAxis;
    m_numberChart = newChart(m_numberTime);
    m_numberChart->legend()->setAlignment(Qt::AlignTop);
    m_baseMargins = m_numberChart->margins();

    m_numberView = newView(m_numberChart, this);
    m_bitLanes = new BitLanes;
    m_lanesArea = new QScrollArea(this);
    m_lanesArea->setObjectName(QStringLiteral("scroll_lanes"));
    m_lanesArea->setFrameShape(QFrame::NoFrame);
    m_lanesArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lanesArea->setWidgetResizable(true);
    m_lanesArea->setWidget(m_bitLanes);
    m_lanesArea->setMinimumHeight(60);
    m_charts = new QSplitter(Qt::Vertical, this);
    m_charts->addWidget(m_numberView);
    m_charts->addWidget(m_lanesArea);
    m_charts->setChildrenCollapsible(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(controls);
    layout->addWidget(m_charts, 1);

    connect(m_numberChart, &QChart::plotAreaChanged, this, &ProcessDataTrend::scheduleAlignment);
    connect(m_bitLanes, &BitLanes::widthChanged, this, &ProcessDataTrend::scheduleAlignment);

    retranslate();
    buildLines();
    updateStatus();
}

ProcessDataTrend::~ProcessDataTrend() = default;

void ProcessDataTrend::retranslate()
{
    for (int i = 0; i < m_span->count(); ++i) {
        const int s = m_span->itemData(i).toInt();
        m_span->setItemText(i, s < 60 ? tr("%1 秒").arg(s) : tr("%1 分钟").arg(s / 60));
    }
    m_spanLabel->setText(tr("时间范围"));
    m_pause->setText(m_paused ? tr("继续") : tr("暂停"));
    m_pause->setToolTip(tr("冻结曲线；记录继续"));
    m_export->setText(tr("导出CSV"));
    updateStatus();
}

void ProcessDataTrend::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}

void ProcessDataTrend::startRecording(const ProcessDataCodec::Layout &layout, const QString &wholeName)
{
    m_recording = ProcessDataRecording(layout, wholeName);
    m_exportNote.clear(); // an export said of the recording before
    m_stale = false;
    m_viewEnd = 0;
    clearLines();
    buildLines();
    updateStatus();
}

void ProcessDataTrend::clearLines()
{
    m_numberChart->removeAllSeries();
    for (UnitAxis &a : m_axes) {
        m_numberChart->removeAxis(a.axis);
        delete a.axis;
    }
    m_axes.clear();
    m_lines.clear();
    m_laneChannels.clear();
    m_bitLanes->setLanes({});
    // The plot edges are lined up again for the new lines' labels.
    m_numberChart->setMargins(m_baseMargins);
    m_bitLanes->setPlotEdges(-1, -1);
    m_alignedAreas = {};
    scheduleAlignment();
}

void ProcessDataTrend::buildLines()
{
    using Kind = ProcessDataRecording::Channel::Kind;
    const QVector<ProcessDataRecording::Channel> &channels = m_recording.channels();
    QStringList laneNames; // top lane first
    for (int c = 0; c < channels.size(); ++c) {
        const ProcessDataRecording::Channel &channel = channels.at(c);
        if (channel.kind == Kind::Bit) {
            m_laneChannels.append(c);
            laneNames.append(channel.name);
            continue;
        }
        if (channel.kind != Kind::Number)
            continue;
        Line line;
        line.channel = c;
        line.history = new QLineSeries;
        line.series = new QLineSeries;
        line.series->setName(channel.title());
        m_numberChart->addSeries(line.history);
        m_numberChart->addSeries(line.series);
        auto unit =
            std::find_if(m_axes.cbegin(), m_axes.cend(), [&](const UnitAxis &a) { return a.unit == channel.unit; });
        line.axis = int(unit - m_axes.cbegin());
        if (unit == m_axes.cend()) {
            UnitAxis a;
            a.unit = channel.unit;
            a.axis = new QValueAxis;
            a.axis->setTitleText(channel.unit);
            a.axis->setLabelFormat(QStringLiteral("%g"));
            a.axis->setRange(0, 1);
            // The grid is the first axis's: the ticks of a second unit
            // fall elsewhere, and its lines would cross the first's.
            a.axis->setGridLineVisible(m_axes.isEmpty());
            m_numberChart->addAxis(a.axis, m_axes.size() % 2 ? Qt::AlignRight : Qt::AlignLeft);
            m_axes.append(a);
        }
        for (QLineSeries *s : {line.history, line.series}) {
            s->attachAxis(m_numberTime);
            s->attachAxis(m_axes.at(line.axis).axis);
        }
        // The theme's colour, one pixel wide: thin lines are drawn without a stroker.
        QPen pen = line.series->pen();
        pen.setWidth(1);
        line.series->setPen(pen);
        line.history->setPen(pen);
        // The legend names the line once, by its live part.
        m_numberChart->legend()->markers(line.history).value(0)->setVisible(false);
        connect(m_numberChart->legend()->markers(line.series).value(0), &QLegendMarker::clicked, this,
                &ProcessDataTrend::onMarkerClicked);
        m_lines.append(line);
    }
    m_bitLanes->setLanes(laneNames);

    m_numberView->setVisible(!m_axes.isEmpty());
    m_lanesArea->setVisible(!laneNames.isEmpty());
    // Every lane readable: beside numbers the lanes take up to half the
    // height and scroll beyond; alone they take the whole height.
    const int lanesHeight = m_bitLanes->sizeHint().height();
    if (!m_axes.isEmpty() && !laneNames.isEmpty())
        m_charts->setSizes({lanesShownHeight, std::min(lanesHeight, lanesShownHeight)});
    scrollTo(QDateTime::currentMSecsSinceEpoch(), true);
}

bool ProcessDataTrend::drawing() const
{
    return !m_paused && isVisible() && height() > 0;
}

void ProcessDataTrend::record(qint64 msecsSinceEpoch, const QByteArray &registers,
                              const QVector<ProcessDataCodec::ItemValue> &values)
{
    m_recording.append(msecsSinceEpoch, registers);
    if ((m_recording.size() + m_recording.dropped()) % statusEveryPolls == 1)
        updateStatus();
    if (!drawing() || m_stale) {
        // Hidden or paused: only recorded. Shown again: the lines catch up.
        m_stale = true;
        if (drawing())
            redraw();
        return;
    }
    const QVector<ProcessDataRecording::Channel> &channels = m_recording.channels();
    for (Line &line : m_lines) {
        const ProcessDataRecording::Channel &channel = channels.at(line.channel);
        addPoint(line, msecsSinceEpoch, ProcessDataRecording::plotValue(channel, values.value(channel.field)));
    }
    scrollTo(msecsSinceEpoch);
    m_bitLanes->appendPoll(msecsSinceEpoch, laneStates(values), true);
}

QVector<int> ProcessDataTrend::laneStates(const QVector<ProcessDataCodec::ItemValue> &values) const
{
    QVector<int> states;
    states.reserve(m_laneChannels.size());
    for (int c : m_laneChannels) {
        const ProcessDataRecording::Channel &channel = m_recording.channels().at(c);
        const double v = ProcessDataRecording::plotValue(channel, values.value(channel.field));
        states.append(std::isnan(v) ? -1 : int(v != 0));
    }
    return states;
}

void ProcessDataTrend::addPoint(Line &line, qint64 msecs, double value, QVector<QPointF> *points)
{
    if (std::isnan(value))
        return;
    const double x = double(msecs);
    const int n = points ? points->size() : line.series->count();
    auto pointAt = [&](int i) { return points ? points->at(i) : line.series->at(i); };
    // A value that stays moves the end of its flat run instead of adding a
    // point: a steady line keeps two points however long it is drawn.
    auto put = [&](double y) {
        if (n >= 2 && pointAt(n - 1).y() == y && pointAt(n - 2).y() == y) {
            if (points)
                (*points)[n - 1].setX(x);
            else
                line.series->replace(n - 1, QPointF(x, y));
        } else if (points) {
            points->append(QPointF(x, y));
        } else {
            line.series->append(x, y);
        }
    };
    put(value);
    UnitAxis &axis = m_axes[line.axis];
    axis.low = axis.hasData ? std::min(axis.low, value) : value;
    axis.high = axis.hasData ? std::max(axis.high, value) : value;
    axis.hasData = true;
}

void ProcessDataTrend::redraw()
{
    m_stale = false;
    if (m_recording.isEmpty()) {
        scrollTo(QDateTime::currentMSecsSinceEpoch(), true);
        return;
    }
    const qint64 latest = m_recording.timeAt(m_recording.size() - 1);
    const qint64 end = m_paused && m_viewEnd > 0 ? m_viewEnd : latest;
    const qint64 start = end - qint64(m_spanSeconds) * 1000;
    // One poll before the window, so the lines reach its left edge.
    const int first = std::max(0, m_recording.indexAtOrAfter(start) - 1);
    const int last = m_recording.indexAtOrAfter(end + 1);

    for (UnitAxis &axis : m_axes)
        axis.hasData = false;
    QVector<QVector<QPointF>> points(m_lines.size());
    const QVector<ProcessDataRecording::Channel> &channels = m_recording.channels();
    m_bitLanes->clearPolls();
    for (int i = first; i < last; ++i) {
        const QVector<ProcessDataCodec::ItemValue> values = m_recording.valuesAt(i);
        for (int l = 0; l < m_lines.size(); ++l) {
            const ProcessDataRecording::Channel &channel = channels.at(m_lines.at(l).channel);
            addPoint(m_lines[l], m_recording.timeAt(i),
                     ProcessDataRecording::plotValue(channel, values.value(channel.field)), &points[l]);
        }
        m_bitLanes->appendPoll(m_recording.timeAt(i), laneStates(values), false);
    }
    for (int l = 0; l < m_lines.size(); ++l) {
        const QVector<QPointF> &p = points.at(l);
        m_lines[l].history->replace(p);
        m_lines[l].series->replace(p.isEmpty() ? p : QVector<QPointF>{p.last()});
    }
    scrollTo(end, true);
    for (UnitAxis &axis : m_axes)
        fitAxis(axis, true);
}

void ProcessDataTrend::scrollTo(qint64 msecs, bool force)
{
    const qint64 span = qint64(m_spanSeconds) * 1000;
    const qint64 step = span / axisStepsPerSpan;
    m_viewEnd = msecs;
    // The time axis moves in steps of a tenth of the span, to the next whole
    // step after the newest poll: moving it redraws every line and relabels
    // the axis, appending a point does not.
    if (force || msecs >= m_axisEnd || m_axisEnd - msecs > step) {
        m_axisEnd = (msecs / step + 1) * step;
        const qint64 start = m_axisEnd - span;
        settleLines(start);
        const QDateTime from = QDateTime::fromMSecsSinceEpoch(start);
        const QDateTime to = QDateTime::fromMSecsSinceEpoch(m_axisEnd);
        if (!m_axes.isEmpty())
            m_numberTime->setRange(from, to);
        m_bitLanes->setTimeRange(start, m_axisEnd);
    }
    for (UnitAxis &axis : m_axes)
        fitAxis(axis);
}

void ProcessDataTrend::settleLines(qint64 windowStart)
{
    const double start = double(windowStart);
    m_bitLanes->dropBefore(windowStart);
    for (UnitAxis &axis : m_axes)
        axis.hasData = false;
    for (const Line &line : qAsConst(m_lines)) {
        QVector<QPointF> history = line.history->pointsVector();
        const QVector<QPointF> live = line.series->pointsVector();
        const int before = history.size();
        // The live part goes over to the history; its last point stays, so
        // the two parts join.
        if (live.size() >= 2) {
            history += history.isEmpty() ? live : live.mid(1);
            line.series->replace(QVector<QPointF>{live.last()});
        }
        // Keep the last point at or before the window's start.
        int k = 0;
        while (k + 1 < history.size() && history.at(k + 1).x() <= start)
            ++k;
        history.remove(0, k);
        if (k > 0 || history.size() != before)
            line.history->replace(history);
        UnitAxis &axis = m_axes[line.axis];
        for (const QPointF &p : qAsConst(history)) {
            axis.low = axis.hasData ? std::min(axis.low, p.y()) : p.y();
            axis.high = axis.hasData ? std::max(axis.high, p.y()) : p.y();
            axis.hasData = true;
        }
    }
}

void ProcessDataTrend::fitAxis(UnitAxis &axis, bool force)
{
    if (!axis.hasData)
        return;
    const double span = axis.high - axis.low;
    const double pad = span > 0 ? span * 0.05 : std::max(1e-6, std::fabs(axis.high) * 0.05);
    const double low = axis.low - pad;
    const double high = axis.high + pad;
    const double shown = axis.axis->max() - axis.axis->min();
    // A new range only when the data leave the axis or fill less than a quarter of it.
    if (force || axis.low < axis.axis->min() || axis.high > axis.axis->max() || shown > 4 * (high - low)) {
        axis.axis->setRange(low, high);
        axis.axis->applyNiceNumbers();
    }
}

void ProcessDataTrend::setSpanSeconds(int seconds)
{
    m_spanSeconds = std::clamp(seconds, spanChoices[0], spanChoices[std::size(spanChoices) - 1]);
    const int index = m_span->findData(m_spanSeconds);
    if (index >= 0 && index != m_span->currentIndex()) {
        const QSignalBlocker block(m_span);
        m_span->setCurrentIndex(index);
    }
    if (isVisible() && height() > 0)
        redraw();
    else
        m_stale = true;
}

void ProcessDataTrend::setPaused(bool paused)
{
    m_paused = paused;
    if (m_pause->isChecked() != paused) {
        const QSignalBlocker block(m_pause);
        m_pause->setChecked(paused);
    }
    m_pause->setText(paused ? tr("继续") : tr("暂停"));
    if (!paused && m_stale && drawing())
        redraw();
}

QLineSeries *ProcessDataTrend::series(const QString &title) const
{
    for (const Line &line : m_lines) {
        if (line.series->name() == title)
            return line.series;
    }
    return nullptr;
}

QVector<QPointF> ProcessDataTrend::points(const QString &title) const
{
    for (const Line &line : m_lines) {
        if (line.series->name() != title)
            continue;
        QVector<QPointF> all = line.history->pointsVector();
        const QVector<QPointF> live = line.series->pointsVector();
        all += all.isEmpty() ? live : live.mid(1);
        return all;
    }
    for (int lane = 0; lane < m_laneChannels.size(); ++lane) {
        if (m_recording.channels().at(m_laneChannels.at(lane)).title() == title)
            return m_bitLanes->points(lane);
    }
    return {};
}

void ProcessDataTrend::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    scheduleAlignment();
    if (m_stale && drawing())
        redraw();
}

void ProcessDataTrend::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    scheduleAlignment();
    if (m_stale && drawing())
        redraw();
}

void ProcessDataTrend::scheduleAlignment()
{
    // Axis labels or sizes changed: the plot edges are lined up once the
    // layouts are done, from the event loop, never from inside a layout.
    if (m_aligning || m_alignmentPending)
        return;
    m_alignmentPending = true;
    QTimer::singleShot(0, this, [this] {
        m_alignmentPending = false;
        alignPlots();
    });
}

QRect ProcessDataTrend::numberPlotArea() const
{
    if (m_axes.isEmpty())
        return {};
    const QRect area = m_numberView->mapFromScene(m_numberChart->plotArea()).boundingRect();
    return QRect(m_numberView->viewport()->mapTo(this, area.topLeft()), area.size());
}

void ProcessDataTrend::alignPlots()
{
    // The lanes share the numbers' time axis: their plot gets the same left
    // and right edges. The numbers' plot moves in when the lanes' names
    // need more room than its value labels, or their scroll bar takes the
    // right edge.
    if (!m_numberView->isVisible() || !m_lanesArea->isVisible())
        return;
    const int lanesWidth = m_bitLanes->width();
    if (m_numberChart->plotArea() == m_alignedAreas.first && lanesWidth == m_alignedAreas.second)
        return; // nothing moved since the last alignment
    m_aligning = true;
    // From the base margins each time: the result depends on the sizes and
    // the labels only, so aligning again changes nothing.
    // The chart's labels may take other room once it moves in, so a few
    // passes correct what the first left.
    const int origin = m_bitLanes->mapTo(this, QPoint(0, 0)).x();
    QMargins margins = m_baseMargins;
    QRect plot;
    for (int pass = 0; pass < 4; ++pass) {
        m_numberChart->setMargins(margins);
        m_numberChart->layout()->activate();
        plot = numberPlotArea();
        const int moreLeft = m_bitLanes->labelColumnWidth() - (plot.left() - origin);
        const int moreRight = plot.right() - (origin + lanesWidth - 4);
        if (moreLeft <= 0 && moreRight <= 0)
            break;
        margins.setLeft(margins.left() + std::max(0, moreLeft));
        margins.setRight(margins.right() + std::max(0, moreRight));
    }
    m_bitLanes->setPlotEdges(plot.left() - origin, plot.right() - origin);
    m_alignedAreas = {m_numberChart->plotArea(), lanesWidth};
    m_aligning = false;
}

void ProcessDataTrend::onMarkerClicked()
{
    auto *marker = qobject_cast<QLegendMarker *>(sender());
    if (!marker)
        return;
    QAbstractSeries *series = marker->series();
    const bool show = !series->isVisible();
    for (const Line &line : qAsConst(m_lines)) {
        if (line.series == series) {
            line.series->setVisible(show);
            line.history->setVisible(show);
            m_numberChart->legend()->markers(line.history).value(0)->setVisible(false);
        }
    }
    // A hidden series hides its marker too; the marker stays, dimmed, to bring it back.
    marker->setVisible(true);
    setAlpha(marker, show ? 1.0 : 0.35);
    for (int a = 0; a < m_axes.size(); ++a) {
        const bool shown = std::any_of(m_lines.cbegin(), m_lines.cend(),
                                       [a](const Line &l) { return l.axis == a && l.series->isVisible(); });
        m_axes.at(a).axis->setVisible(shown);
    }
}

void ProcessDataTrend::updateStatus()
{
    const int n = m_recording.size();
    m_export->setEnabled(n > 0);
    if (n == 0) {
        m_status->setStatus(QString());
        return;
    }
    if (m_recording.timeAt(0) != m_statusFirst) {
        m_statusFirst = m_recording.timeAt(0);
        m_statusSince = QDateTime::fromMSecsSinceEpoch(m_statusFirst).toString(QStringLiteral("HH:mm:ss"));
    }
    m_status->setStatus(tr("自 %1 起记录的读取：%2").arg(m_statusSince).arg(n) + m_exportNote);
}

void ProcessDataTrend::onExportClicked()
{
    const QString suggested =
        QStringLiteral("trend-%1.csv").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QString path = QFileDialog::getSaveFileName(this, tr("导出CSV"), suggested, tr("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!ProcessDataCsv::writeFile(m_recording, path, &error)) {
        QMessageBox::warning(this, tr("导出CSV"), tr("无法写入 %1：%2").arg(path, error));
        return;
    }
    qCInfo(lcProcdata) << "trend of" << m_recording.size() << "polls written to" << path;
    // Said where it went; it stays in the status line until the next export.
    m_exportNote = tr("；%1 次读取已导出到 %2").arg(m_recording.size()).arg(QDir::toNativeSeparators(path));
    updateStatus();
}
