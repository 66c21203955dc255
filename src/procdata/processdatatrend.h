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
class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;
} // namespace QtCharts
class BitLanes;
class QComboBox;
class QEvent;
class QLabel;
class QPushButton;
class QResizeEvent;
class QScrollArea;
class StatusLabel;
class QShowEvent;
class QSplitter;

// The trend of the "In port" page: every number of the input process data
// over the last seconds (one line per item, one value axis per unit, a legend
// entry hides or shows a line), the bits in lanes below (`BitLanes`), their
// time lined up with the numbers'. Every poll the page hands over is recorded for the
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

    // The live part of a number's line by its title ("Pressure [bar]"); null if none.
    QtCharts::QLineSeries *series(const QString &title) const;
    // Every point of a number's line (history and live part), or of a bit's
    // lane as steps of 0 and 1.
    QVector<QPointF> points(const QString &title) const;
    QtCharts::QDateTimeAxis *timeAxis() const { return m_numberTime; }
    const BitLanes *bitLanes() const { return m_bitLanes; }
    // The numbers' plot area in this widget's coordinates (empty without numbers).
    QRect numberPlotArea() const;

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
        int axis = 0;                            // index into m_axes
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
    QVector<int> laneStates(const QVector<ProcessDataCodec::ItemValue> &values) const;
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
    QVector<Line> m_lines;       // numbers
    QVector<int> m_laneChannels; // bits: the recording's channel of each lane
    QVector<UnitAxis> m_axes;
    int m_spanSeconds = defaultSpanSeconds;
    bool m_paused = false;
    bool m_stale = false; // polls recorded but not drawn
    qint64 m_viewEnd = 0; // time of the last poll drawn
    qint64 m_axisEnd = 0; // right end of the time axis
    bool m_aligning = false;
    bool m_alignmentPending = false;
    // The number plot and the lanes' width the last alignment left.
    QPair<QRectF, int> m_alignedAreas;
    qint64 m_statusFirst = 0;
    QString m_statusSince;
    QString m_exportNote; // where the last export went

    QLabel *m_spanLabel = nullptr;
    QComboBox *m_span = nullptr;
    QPushButton *m_pause = nullptr;
    QPushButton *m_export = nullptr;
    StatusLabel *m_status = nullptr;
    QSplitter *m_charts = nullptr;
    QtCharts::QChart *m_numberChart = nullptr;
    QtCharts::QChartView *m_numberView = nullptr;
    QtCharts::QDateTimeAxis *m_numberTime = nullptr;
    QScrollArea *m_lanesArea = nullptr;
    BitLanes *m_bitLanes = nullptr;
    QMargins m_baseMargins;
};

#endif // PROCESSDATATREND_H
