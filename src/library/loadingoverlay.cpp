#include "loadingoverlay.h"
#include "ui_loadingoverlay.h"

#include <QPainter>
#include <QPen>
#include <QTimer>

#include <algorithm>

LoadingOverlay::LoadingOverlay(QWidget *parent) : QWidget(parent), m_ui(new Ui::LoadingOverlay)
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::SubWindow);
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_TranslucentBackground);

    for (QColor &colour : m_colours)
        colour = QColor(0, 159, 168, 255);

    // The circle's centre uses half the width for both coordinates; the dots
    // are laid out once and not moved on resize.
    const int r = m_circleRadius;
    const int d = 2 * r / 3;
    const int c = width() / 2 - m_centreOffset;
    m_centres[0] = QPoint(c - r, c);
    m_centres[1] = QPoint(c - d, c - d);
    m_centres[2] = QPoint(c, c - r);
    m_centres[3] = QPoint(c + d, c - d);
    m_centres[4] = QPoint(c + r, c);
    m_centres[5] = QPoint(c + d, c + d);
    m_centres[6] = QPoint(c, c + r);
    m_centres[7] = QPoint(c - d, c + d);

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &LoadingOverlay::onAnimationTimeout);

    close();
}

LoadingOverlay::~LoadingOverlay()
{
    delete m_ui;
}

void LoadingOverlay::setCenterWidget(QWidget *w)
{
    m_centerWidget = w;
}

void LoadingOverlay::showLoading()
{
    if (m_centerWidget) {
        // A centre widget that is our own parent window has its origin at
        // (0, 0) in our coordinates; its pos() would be its place on screen.
        const QPoint origin = m_centerWidget == parentWidget() ? QPoint() : m_centerWidget->pos();
        move(origin.x() + (m_centerWidget->width() / 2 - width() / 2),
             origin.y() + (m_centerWidget->height() / 2 - height() / 2));
    }
    show();
    m_timer->start(60);
}

void LoadingOverlay::hideLoading()
{
    m_timer->stop();
    update();
    close();
}

QVector<QPoint> LoadingOverlay::centres() const
{
    return QVector<QPoint>(std::begin(m_centres), std::end(m_centres));
}

QVector<int> LoadingOverlay::radii() const
{
    return QVector<int>(std::begin(m_radii), std::end(m_radii));
}

void LoadingOverlay::onAnimationTimeout()
{
    // One place towards higher indices; the last element wraps to the front.
    std::rotate(std::begin(m_colours), std::end(m_colours) - 1, std::end(m_colours));
    std::rotate(std::begin(m_radii), std::end(m_radii) - 1, std::end(m_radii));
    update();
}

void LoadingOverlay::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    for (int i = 0; i < dotCount; ++i) {
        const QColor &colour = m_colours[i];
        QPen pen(colour);
        pen.setWidth(10);
        pen.setStyle(Qt::CustomDashLine);
        painter.setPen(pen);
        painter.setBrush(QBrush(colour, Qt::SolidPattern));
        const int r = m_radii[i];
        painter.drawEllipse(m_centres[i].x() - r, m_centres[i].y() - r, 2 * r, 2 * r);
    }
}
