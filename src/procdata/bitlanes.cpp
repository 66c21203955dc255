#include "bitlanes.h"

#include <QDateTime>
#include <QEvent>
#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

// Vertical grid lines and time labels, as many as the number chart's time axis has.
constexpr int timeTicks = 7;
constexpr int labelPadding = 8;
constexpr int ownRightMargin = 8;
// The name column takes at most this part of the width; longer names are elided, whole in the tool tip.
constexpr double labelShare = 0.35;

const QColor laneShade(0, 0, 0, 10);
const QColor gridColor(0, 0, 0, 28);
const QColor lineColor(32, 96, 168);
const QColor onTint(32, 96, 168, 48);

using Change = QPair<qint64, int>;

// The first change after msecs.
QVector<Change>::const_iterator firstAfter(const QVector<Change> &changes, qint64 msecs)
{
    return std::upper_bound(changes.cbegin(), changes.cend(), msecs,
                            [](qint64 t, const Change &c) { return t < c.first; });
}

} // namespace

BitLanes::BitLanes(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

BitLanes::~BitLanes() = default;

void BitLanes::setLanes(const QStringList &names)
{
    m_lanes.clear();
    for (const QString &name : names)
        m_lanes.append(Lane{name, {}});
    m_hasPoll = false;
    m_labelWidth = -1;
    setFixedHeight(sizeHint().height());
    update();
}

void BitLanes::appendPoll(qint64 msecs, const QVector<int> &states, bool draw)
{
    const qint64 before = m_lastPoll;
    const bool hadPoll = m_hasPoll;
    for (int i = 0; i < m_lanes.size(); ++i) {
        const int state = states.value(i, -1);
        QVector<Change> &changes = m_lanes[i].changes;
        if (state >= 0 && (changes.isEmpty() || changes.last().second != state))
            changes.append({msecs, state});
    }
    m_lastPoll = msecs;
    m_hasPoll = true;
    if (!draw)
        return;
    // Only the strip from the last poll to this one changed.
    const double from = hadPoll ? xOf(before) : xOf(msecs);
    const int x0 = int(std::floor(std::min(from, xOf(msecs)))) - 2;
    const int x1 = int(std::ceil(std::max(from, xOf(msecs)))) + 2;
    update(QRect(x0, 0, x1 - x0, lanesHeight()));
}

void BitLanes::clearPolls()
{
    for (Lane &lane : m_lanes)
        lane.changes.clear();
    m_hasPoll = false;
    update();
}

void BitLanes::dropBefore(qint64 msecs)
{
    for (Lane &lane : m_lanes) {
        const auto after = firstAfter(lane.changes, msecs);
        const int keep = std::max(0, int(after - lane.changes.cbegin()) - 1);
        if (keep > 0)
            lane.changes.remove(0, keep);
    }
}

QVector<QPointF> BitLanes::points(int lane) const
{
    QVector<QPointF> out;
    if (lane < 0 || lane >= m_lanes.size() || m_lanes.at(lane).changes.isEmpty())
        return out;
    const QVector<Change> &changes = m_lanes.at(lane).changes;
    out.append(QPointF(double(changes.first().first), changes.first().second));
    for (int i = 1; i < changes.size(); ++i) {
        const double t = double(changes.at(i).first);
        out.append(QPointF(t, changes.at(i - 1).second));
        out.append(QPointF(t, changes.at(i).second));
    }
    if (double(m_lastPoll) > out.last().x())
        out.append(QPointF(double(m_lastPoll), changes.last().second));
    return out;
}

void BitLanes::setTimeRange(qint64 start, qint64 end)
{
    if (start == m_start && end == m_end)
        return;
    m_start = start;
    m_end = std::max(start + 1, end);
    update();
}

void BitLanes::setPlotEdges(int left, int right)
{
    if (left == m_left && right == m_right)
        return;
    m_left = left;
    m_right = right;
    update();
}

int BitLanes::labelColumnWidth() const
{
    if (m_labelWidth < 0) {
        int widest = 0;
        const QFontMetrics metrics = fontMetrics();
        for (const Lane &lane : m_lanes)
            widest = std::max(widest, metrics.horizontalAdvance(lane.name));
        m_labelWidth = widest + 2 * labelPadding;
    }
    return std::min(m_labelWidth, std::max(80, int(width() * labelShare)));
}

QRect BitLanes::plotRect() const
{
    const int left = m_left >= 0 ? std::max(m_left, labelColumnWidth()) : labelColumnWidth();
    const int right = m_right >= 0 ? std::min(m_right, width() - 1) : width() - 1 - ownRightMargin;
    return QRect(QPoint(left, 0), QPoint(std::max(left + 1, right), lanesHeight() - 1));
}

int BitLanes::laneHeight() const
{
    return fontMetrics().height() + 6;
}

int BitLanes::timeRowHeight() const
{
    return fontMetrics().height() + 6;
}

QSize BitLanes::sizeHint() const
{
    return QSize(400, lanesHeight() + timeRowHeight());
}

QSize BitLanes::minimumSizeHint() const
{
    return QSize(160, sizeHint().height());
}

double BitLanes::xOf(qint64 msecs) const
{
    const QRect plot = plotRect();
    return plot.left() + double(msecs - m_start) * (plot.width() - 1) / double(m_end - m_start);
}

qint64 BitLanes::timeAt(double x) const
{
    const QRect plot = plotRect();
    return m_start + qint64((x - plot.left()) * double(m_end - m_start) / std::max(1, plot.width() - 1));
}

void BitLanes::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.fillRect(dirty, palette().base());
    const int h = laneHeight();
    const int first = std::max(0, dirty.top() / h);
    const int last = std::min(laneCount() - 1, dirty.bottom() / h);
    for (int lane = first; lane <= last; ++lane)
        paintLane(painter, lane, dirty);
    if (dirty.bottom() >= lanesHeight())
        paintTimes(painter);
}

void BitLanes::paintLane(QPainter &painter, int lane, const QRect &dirty) const
{
    const int h = laneHeight();
    const QRect plot = plotRect();
    const QRect row(0, lane * h, width(), h);
    if (lane % 2)
        painter.fillRect(row.intersected(dirty), laneShade);
    if (dirty.left() < plot.left()) {
        const QRect label(labelPadding / 2, row.top(), plot.left() - labelPadding, h);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(label, Qt::AlignVCenter | Qt::AlignLeft,
                         fontMetrics().elidedText(m_lanes.at(lane).name, Qt::ElideRight, label.width()));
    }
    painter.setPen(gridColor);
    for (int k = 0; k < timeTicks; ++k) {
        const int x = plot.left() + k * (plot.width() - 1) / (timeTicks - 1);
        if (x >= dirty.left() && x <= dirty.right())
            painter.drawLine(x, row.top(), x, row.bottom());
    }

    const QVector<Change> &changes = m_lanes.at(lane).changes;
    if (!m_hasPoll || changes.isEmpty())
        return;
    // The changes that reach into the dirty strip: from the one in force at its left edge.
    const qint64 from = std::max(m_start, timeAt(std::max(dirty.left(), plot.left()) - 1));
    const qint64 to = std::min(m_lastPoll, timeAt(dirty.right() + 1));
    if (to < changes.first().first || from > m_lastPoll)
        return;
    auto it = firstAfter(changes, from);
    if (it != changes.cbegin())
        --it;
    const double low = row.bottom() - 3;
    const double high = row.top() + 3;
    painter.save();
    painter.setClipRect(plot.intersected(row).intersected(dirty));
    QPolygonF line;
    for (; it != changes.cend() && it->first <= to; ++it) {
        const double x0 = xOf(std::max(it->first, m_start));
        const auto next = it + 1;
        const qint64 until = next != changes.cend() ? std::min(next->first, m_lastPoll) : m_lastPoll;
        const double x1 = xOf(until);
        const double y = it->second ? high : low;
        if (it->second)
            painter.fillRect(QRectF(QPointF(x0, high), QPointF(x1, low)), onTint);
        line << QPointF(x0, y) << QPointF(x1, y);
    }
    painter.setPen(QPen(lineColor, 1));
    painter.drawPolyline(line);
    painter.restore();
}

void BitLanes::paintTimes(QPainter &painter) const
{
    const QRect plot = plotRect();
    const int top = lanesHeight();
    painter.setPen(palette().color(QPalette::Text));
    painter.drawLine(plot.left(), top, plot.right(), top);
    const QFontMetrics metrics = fontMetrics();
    for (int k = 0; k < timeTicks; ++k) {
        const int x = plot.left() + k * (plot.width() - 1) / (timeTicks - 1);
        const qint64 t = m_start + (m_end - m_start) * k / (timeTicks - 1);
        const QString text = QDateTime::fromMSecsSinceEpoch(t).toString(QStringLiteral("HH:mm:ss"));
        const int w = metrics.horizontalAdvance(text);
        const int left = std::clamp(x - w / 2, 0, std::max(0, width() - w));
        painter.drawText(QRect(left, top + 2, w, timeRowHeight() - 2), Qt::AlignCenter, text);
    }
}

int BitLanes::laneAt(const QPoint &pos) const
{
    const int lane = pos.y() / laneHeight();
    return pos.y() >= 0 && lane < laneCount() ? lane : -1;
}

bool BitLanes::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int lane = laneAt(help->pos());
        if (lane >= 0 && help->pos().x() < plotRect().left())
            QToolTip::showText(help->globalPos(), m_lanes.at(lane).name, this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void BitLanes::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (event->oldSize().width() != width())
        emit widthChanged();
}

void BitLanes::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_labelWidth = -1;
        setFixedHeight(sizeHint().height());
    }
}
