#ifndef PROCESSDATATREND_H
#define PROCESSDATATREND_H

#include "codec/processdatacodec.h"
#include "codec/processdatarecording.h"

#include <QByteArray>
#include <QMargins>
#include <QPair>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVector>
#include <QWidget>

namespace QtCharts {
class QCategoryAxis;
class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;
} // namespace QtCharts
class QComboBox;
class QEvent;
class QLabel;
class QPushButton;
class QResizeEvent;
class QShowEvent;
class QSplitter;

// The trend of the "In port" page: every number of the input process data
// over the last seconds (one line per item, one value axis per unit, a legend
// entry hides or shows a line), the bits as step lines in lanes below, with
// the same time axis. Every poll the page hands over is recorded for the
// CSV export ("导出CSV"), also while the view is paused or hidden; the lines
// then catch up from the recording.
class ProcessDataTrend : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ProcessDataTrend)

public:
    static constexpr int defaultSpanSeconds = 60;

    explicit ProcessDataTrend(QWidget *parent = nullptr);
    ~ProcessDataTrend() override;

    // A new process-data layout: a new recording and a new set of lines.
    void startRecording(const ProcessDataCodec::Layout &layout, const QString &wholeName);
    // One poll: the read of the input window and its decoded items.
    void record(qint64 msecsSinceEpoch, const QByteArray &registers,
                const QVector<ProcessDataCodec::ItemValue> &values);

    const ProcessDataRecording &recording() const { return m_recording; }

    int spanSeconds() const { return m_spanSeconds; }
    void setSpanSeconds(int seconds);
    bool isPaused() const { return m_paused; }
    void setPaused(bool paused);

    // The live part of a number's or bit's line by its title ("Pressure [bar]"); null if none.
    QtCharts::QLineSeries *series(const QString &title) const;
    // Every point of that line, history and live part.
    QVector<QPointF> points(const QString &title) const;
    QtCharts::QDateTimeAxis *timeAxis() const { return m_numberTime; }

public slots:
    // Asks for a file and writes the recording to it.
    void onExportClicked();

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Line
    {
        int channel = 0; // index into the recording's channels
        // A line is drawn in two parts: the history up to the last move of
        // the time axis, redrawn only then, and the live part since, where
        // each poll adds its point. A poll thus redraws a few points only.
        QtCharts::QLineSeries *history = nullptr;
        QtCharts::QLineSeries *series = nullptr; // the live part, named in the legend
        int axis = -1;                           // numbers: index into m_axes
        double base = 0;                         // bits: the lane's 0 line
        double last = 0;                         // bits: the last state drawn
        bool hasLast = false;
    };
    struct UnitAxis
    {
        QString unit;
        QtCharts::QValueAxis *axis = nullptr;
        double low = 0;
        double high = 0;
        bool hasData = false;
    };

    void retranslate();
    void clearLines();
    void buildLines();
    bool drawing() const;
    void addPoint(Line &line, qint64 msecs, double value, QVector<QPointF> *points = nullptr);
    void redraw();
    void scrollTo(qint64 msecs, bool force = false);
    // Hands the live parts to the histories and drops what lies before the window.
    void settleLines(qint64 windowStart);
    // force: fit the axis to the data also when they lie within it.
    void fitAxis(UnitAxis &axis, bool force = false);
    void scheduleAlignment();
    void alignPlots();
    void onMarkerClicked();
    void updateStatus();

    ProcessDataRecording m_recording;
    QVector<Line> m_lines;
    QVector<UnitAxis> m_axes;
    int m_spanSeconds = defaultSpanSeconds;
    bool m_paused = false;
    bool m_stale = false; // polls recorded but not drawn
    qint64 m_viewEnd = 0; // time of the last poll drawn
    qint64 m_axisEnd = 0; // right end of the time axis
    bool m_aligning = false;
    bool m_alignmentPending = false;
    // The plot areas the last alignment left.
    QPair<QRectF, QRectF> m_alignedAreas;
    qint64 m_statusFirst = 0;
    QString m_statusSince;
    QString m_exportNote; // where the last export went

    QLabel *m_spanLabel = nullptr;
    QComboBox *m_span = nullptr;
    QPushButton *m_pause = nullptr;
    QPushButton *m_export = nullptr;
    QLabel *m_status = nullptr;
    QSplitter *m_charts = nullptr;
    QtCharts::QChart *m_numberChart = nullptr;
    QtCharts::QChart *m_bitChart = nullptr;
    QtCharts::QChartView *m_numberView = nullptr;
    QtCharts::QChartView *m_bitView = nullptr;
    QtCharts::QDateTimeAxis *m_numberTime = nullptr;
    QtCharts::QDateTimeAxis *m_bitTime = nullptr;
    QtCharts::QCategoryAxis *m_lanes = nullptr;
    QMargins m_baseMargins;
};

#endif // PROCESSDATATREND_H
