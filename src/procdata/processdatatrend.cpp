#include "processdatatrend.h"

#include "codec/processdatacsv.h"
#include "log/hub8log.h"

#include <QtCharts/QCategoryAxis>
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
#include <QShowEvent>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace QtCharts;

namespace {

// Bit lanes: lane k has its 0 line at k * laneStep and its 1 line laneHigh above.
constexpr double laneStep = 1.5;
constexpr double laneHigh = 1.0;
constexpr double laneMargin = (laneStep - laneHigh) / 2;

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

    m_status = new QLabel(this);

    auto *controls = new QHBoxLayout;
    controls->setContentsMargins(0, 0, 0, 0);
    m_spanLabel = new QLabel(this);
    controls->addWidget(m_spanLabel);
    controls->addWidget(m_span);
    controls->addWidget(m_pause);
    controls->addWidget(m_export);
    controls->addStretch(1);
    controls->addWidget(m_status);

    m_numberTime = new QDateTimeAxis;
    m_numberChart = newChart(m_numberTime);
    m_numberChart->legend()->setAlignment(Qt::AlignTop);
    m_bitTime = new QDateTimeAxis;
    m_bitChart = newChart(m_bitTime);
    m_bitChart->legend()->hide();
    m_lanes = new QCategoryAxis;
    m_lanes->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    m_bitChart->addAxis(m_lanes, Qt::AlignLeft);
    m_baseMargins = m_numberChart->margins();

    m_numberView = newView(m_numberChart, this);
    m_bitView = newView(m_bitChart, this);
    m_charts = new QSplitter(Qt::Vertical, this);
    m_charts->addWidget(m_numberView);
    m_charts->addWidget(m_bitView);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(controls);
    layout->addWidget(m_charts, 1);

    connect(m_numberChart, &QChart::plotAreaChanged, this, &ProcessDataTrend::scheduleAlignment);
    connect(m_bitChart, &QChart::plotAreaChanged, this, &ProcessDataTrend::scheduleAlignment);

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
    m_status->setToolTip(QString());
    m_stale = false;
    m_viewEnd = 0;
    clearLines();
    buildLines();
    updateStatus();
}

void ProcessDataTrend::clearLines()
{
    m_numberChart->removeAllSeries();
    m_bitChart->removeAllSeries();
    for (UnitAxis &a : m_axes) {
        m_numberChart->removeAxis(a.axis);
        delete a.axis;
    }
    m_axes.clear();
    m_lines.clear();
    const QStringList lanes = m_lanes->categoriesLabels();
    for (const QString &label : lanes)
        m_lanes->remove(label);
    // The plot edges are lined up again for the new lines' labels.
    m_numberChart->setMargins(m_baseMargins);
    m_bitChart->setMargins(m_baseMargins);
    m_alignedAreas = {};
    scheduleAlignment();
}

void ProcessDataTrend::buildLines()
{
    using Kind = ProcessDataRecording::Channel::Kind;
    const QVector<ProcessDataRecording::Channel> &channels = m_recording.channels();
    const int bits = int(std::count_if(channels.cbegin(), channels.cend(),
                                       [](const ProcessDataRecording::Channel &c) { return c.kind == Kind::Bit; }));
    QStringList laneNames; // top lane first
    for (int c = 0; c < channels.size(); ++c) {
        const ProcessDataRecording::Channel &channel = channels.at(c);
        if (channel.kind == Kind::Text)
            continue;
        Line line;
        line.channel = c;
        line.history = new QLineSeries;
        line.series = new QLineSeries;
        line.series->setName(channel.title());
        QChart *chart = channel.kind == Kind::Number ? m_numberChart : m_bitChart;
        chart->addSeries(line.history);
        chart->addSeries(line.series);
        if (channel.kind == Kind::Number) {
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
        } else {
            line.base = (bits - 1 - laneNames.size()) * laneStep;
            // Category labels must differ.
            QString name = channel.name;
            for (int n = 2; laneNames.contains(name); ++n)
                name = QStringLiteral("%1 (%2)").arg(channel.name).arg(n);
            laneNames.append(name);
            for (QLineSeries *s : {line.history, line.series}) {
                s->attachAxis(m_bitTime);
                s->attachAxis(m_lanes);
            }
        }
        // The theme's colour, one pixel wide: thin lines are drawn without a stroker.
        QPen pen = line.series->pen();
        pen.setWidth(1);
        line.series->setPen(pen);
        line.history->setPen(pen);
        // The legend names the line once, by its live part.
        chart->legend()->markers(line.history).value(0)->setVisible(false);
        m_lines.append(line);
    }

    // Categories go in ascending order: the bottom lane first.
    m_lanes->setStartValue(-laneMargin);
    for (int k = 0; k < laneNames.size(); ++k)
        m_lanes->append(laneNames.at(laneNames.size() - 1 - k), k * laneStep + laneHigh + laneMargin);
    m_lanes->setRange(-laneMargin, std::max(1, bits) * laneStep - laneMargin);

    for (const Line &line : qAsConst(m_lines)) {
        if (line.axis >= 0)
            connect(m_numberChart->legend()->markers(line.series).value(0), &QLegendMarker::clicked, this,
                    &ProcessDataTrend::onMarkerClicked);
    }

    m_numberView->setVisible(!m_axes.isEmpty());
    m_bitView->setVisible(bits > 0);
    // Lanes high enough for their names; many bits share a taller chart.
    const int bitHeight = std::min(44 + 22 * bits, 220);
    m_bitView->setMinimumHeight(std::min(bitHeight, 160));
    m_charts->setSizes({2 * bitHeight, bitHeight});
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
    if (line.axis < 0) {
        // A step: the old state up to this poll, then the new one.
        const double y = line.base + value * laneHigh;
        if (line.hasLast && line.last != y) {
            put(line.last);
            if (points)
                points->append(QPointF(x, y));
            else
                line.series->append(x, y);
        } else {
            put(y);
        }
        line.last = y;
        line.hasLast = true;
        return;
    }
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

    for (Line &line : m_lines)
        line.hasLast = false;
    for (UnitAxis &axis : m_axes)
        axis.hasData = false;
    QVector<QVector<QPointF>> points(m_lines.size());
    const QVector<ProcessDataRecording::Channel> &channels = m_recording.channels();
    for (int i = first; i < last; ++i) {
        const QVector<ProcessDataCodec::ItemValue> values = m_recording.valuesAt(i);
        for (int l = 0; l < m_lines.size(); ++l) {
            const ProcessDataRecording::Channel &channel = channels.at(m_lines.at(l).channel);
            addPoint(m_lines[l], m_recording.timeAt(i),
                     ProcessDataRecording::plotValue(channel, values.value(channel.field)), &points[l]);
        }
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
        if (m_lanes->count() > 0)
            m_bitTime->setRange(from, to);
    }
    for (UnitAxis &axis : m_axes)
        fitAxis(axis);
}

void ProcessDataTrend::settleLines(qint64 windowStart)
{
    const double start = double(windowStart);
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
        if (line.axis < 0)
            continue;
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

void ProcessDataTrend::alignPlots()
{
    // The two charts share the time axis: their plot areas get the same left
    // and right edges, whatever their value labels take.
    if (!m_numberView->isVisible() || !m_bitView->isVisible())
        return;
    if (m_numberChart->plotArea() == m_alignedAreas.first && m_bitChart->plotArea() == m_alignedAreas.second)
        return; // nothing moved since the last alignment
    m_aligning = true;
    // Starting from the base margins each time, the result depends on the
    // sizes and the labels only: aligning again changes nothing. The chart
    // with the smaller inset gets the difference as margin; a narrower chart
    // may truncate its labels and move its edge, so a few passes correct it.
    QMargins numbers = m_baseMargins;
    QMargins bits = m_baseMargins;
    for (int pass = 0; pass < 4; ++pass) {
        m_numberChart->setMargins(numbers);
        m_bitChart->setMargins(bits);
        m_numberChart->layout()->activate();
        m_bitChart->layout()->activate();
        const QRectF n = m_numberChart->plotArea();
        const QRectF b = m_bitChart->plotArea();
        const int left = qRound(n.left() - b.left());
        const int right =
            qRound((m_numberChart->size().width() - n.right()) - (m_bitChart->size().width() - b.right()));
        if (qAbs(left) <= 1 && qAbs(right) <= 1)
            break;
        QMargins &leftBehind = left > 0 ? bits : numbers;
        leftBehind.setLeft(leftBehind.left() + qAbs(left));
        QMargins &rightBehind = right > 0 ? bits : numbers;
        rightBehind.setRight(rightBehind.right() + qAbs(right));
    }
    m_alignedAreas = {m_numberChart->plotArea(), m_bitChart->plotArea()};
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
        m_status->clear();
        return;
    }
    if (m_recording.timeAt(0) != m_statusFirst) {
        m_statusFirst = m_recording.timeAt(0);
        m_statusSince = QDateTime::fromMSecsSinceEpoch(m_statusFirst).toString(QStringLiteral("HH:mm:ss"));
    }
    m_status->setText(tr("自 %1 起记录的读取：%2").arg(m_statusSince).arg(n) + m_exportNote);
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
    QString shown = m_status->text();
    if (!m_exportNote.isEmpty() && shown.endsWith(m_exportNote))
        shown.chop(m_exportNote.size());
    m_exportNote = tr("；%1 次读取已导出到 %2").arg(m_recording.size()).arg(QDir::toNativeSeparators(path));
    m_status->setText(shown + m_exportNote);
    m_status->setToolTip(path);
}
