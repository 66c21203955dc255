#ifndef WIDGET_LOADING_H
#define WIDGET_LOADING_H

#include <QColor>
#include <QPoint>
#include <QVector>
#include <QWidget>

class QPaintEvent;
class QTimer;

namespace Ui {
class widget_loading;
}

// Busy indicator: eight dots on a circle whose sizes rotate every 60 ms,
// shown centred over another widget while a long exchange runs.
class widget_loading : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(widget_loading)

public:
    static constexpr int dotCount = 8;

    explicit widget_loading(QWidget *parent = nullptr);
    ~widget_loading() override;

    // The widget to centre over; not owned.
    void setCenterWidget(QWidget *w);
    void showLoading();
    void hideLoading();

    QVector<QPoint> centres() const;
    QVector<int> radii() const;

private slots:
    void slot_timerout();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QWidget *m_centerWidget = nullptr;
    Ui::widget_loading *ui;
    QColor m_colours[dotCount];
    QPoint m_centres[dotCount];
    int m_circleRadius = 90;
    int m_centreOffset = 40;
    int m_radii[dotCount] = {1, 4, 7, 10, 13, 16, 19, 22};
    QTimer *m_timer = nullptr;
};

#endif // WIDGET_LOADING_H
