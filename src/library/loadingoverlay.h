#ifndef LOADINGOVERLAY_H
#define LOADINGOVERLAY_H

#include <QColor>
#include <QPoint>
#include <QVector>
#include <QWidget>

class QPaintEvent;
class QTimer;

namespace Ui {
class LoadingOverlay;
}

// Busy indicator: eight dots on a circle whose sizes rotate every 60 ms,
// shown centred over another widget while a long exchange runs.
class LoadingOverlay : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(LoadingOverlay)

public:
    static constexpr int dotCount = 8;

    explicit LoadingOverlay(QWidget *parent = nullptr);
    ~LoadingOverlay() override;

    // The widget to centre over; not owned.
    void setCenterWidget(QWidget *w);
    void showLoading();
    void hideLoading();

    QVector<QPoint> centres() const;
    QVector<int> radii() const;

private slots:
    void onAnimationTimeout();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QWidget *m_centerWidget = nullptr;
    Ui::LoadingOverlay *m_ui;
    QColor m_colours[dotCount];
    QPoint m_centres[dotCount];
    int m_circleRadius = 90;
    int m_centreOffset = 40;
    int m_radii[dotCount] = {1, 4, 7, 10, 13, 16, 19, 22};
    QTimer *m_timer = nullptr;
};

#endif // LOADINGOVERLAY_H
