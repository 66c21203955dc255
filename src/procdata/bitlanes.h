#ifndef BITLANES_H
#define BITLANES_H

#include <QPair>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWidget>

// The on/off inputs of the trend, one lane each: the name on the left, the
// state over time as a step line with its "on" runs tinted, the times below.
// Every lane is as high as a line of text, so its name is readable; more
// lanes than fit scroll (the widget sits in a scroll area). A poll repaints
// only the strip of time it adds, not every lane: a device with dozens of
// bits costs a few pixels' painting per poll.
class BitLanes : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(BitLanes)

public:
    explicit BitLanes(QWidget *parent = nullptr);
    ~BitLanes() override;

    // New lanes, top first; no polls.
    void setLanes(const QStringList &names);
    int laneCount() const { return int(m_lanes.size()); }
    QString laneName(int lane) const { return m_lanes.value(lane).name; }

    // One poll: each lane's state, 0 or 1, or -1 when the poll did not say
    // (the lane keeps its last state). draw: repaint the time it adds.
    void appendPoll(qint64 msecs, const QVector<int> &states, bool draw);
    void clearPolls();
    // Forgets the changes before msecs but the one in force then.
    void dropBefore(qint64 msecs);
    // The lane as a step line: (time, state) at its first poll, at each
    // change (old and new state) and at the last poll.
    QVector<QPointF> points(int lane) const;

    // The time shown from the plot's left to its right edge.
    void setTimeRange(qint64 start, qint64 end);
    // The plot's edges in this widget, to line them up with another plot
    // above; -1 for edges of its own.
    void setPlotEdges(int left, int right);
    QRect plotRect() const;
    // What the names take at the left, the plot starting after it.
    int labelColumnWidth() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The width changed (a window resized, a scroll bar came or went): the
    // plot edges may have to be lined up again.
    void widthChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Lane
    {
        QString name;
        QVector<QPair<qint64, int>> changes; // the state from that time on
    };

    int laneHeight() const;
    int lanesHeight() const { return laneCount() * laneHeight(); }
    int timeRowHeight() const;
    double xOf(qint64 msecs) const;
    qint64 timeAt(double x) const;
    void paintLane(class QPainter &painter, int lane, const QRect &dirty) const;
    void paintTimes(class QPainter &painter) const;
    int laneAt(const QPoint &pos) const;

    QVector<Lane> m_lanes;
    qint64 m_lastPoll = 0;
    bool m_hasPoll = false;
    qint64 m_start = 0;
    qint64 m_end = 1;
    int m_left = -1;
    int m_right = -1;
    mutable int m_labelWidth = -1; // measured once per set of names and font
};

#endif // BITLANES_H
