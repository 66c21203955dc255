// The loading overlay: dot rotation, painting, placement over the centre widget, the timer's life.

#include "library/widget_loading.h"

#include <QTimer>
#include <QtTest>

static const QVector<int> startRadii{1, 4, 7, 10, 13, 16, 19, 22};

static void step(widget_loading &w, int times)
{
    while (times--)
        QMetaObject::invokeMethod(&w, "slot_timerout");
}

class tst_loading : public QObject
{
    Q_OBJECT
private slots:
    void dotsRotateOnCircle()
    {
        widget_loading w;
        QVERIFY(w.isHidden());
        // Centre (262, 262) from half the width, radius 90, diagonals 60.
        const QVector<QPoint> centres{{172, 262}, {202, 202}, {262, 172}, {322, 202},
                                      {352, 262}, {322, 322}, {262, 352}, {202, 322}};
        QCOMPARE(w.centres(), centres);
        QCOMPARE(w.radii(), startRadii);

        step(w, 1);
        QCOMPARE(w.radii(), (QVector<int>{22, 1, 4, 7, 10, 13, 16, 19}));
        step(w, 7);
        QCOMPARE(w.radii(), startRadii);
        QCOMPARE(w.centres(), centres);
    }

    void paintsDotsAtTheirCentres()
    {
        widget_loading w;
        const QRgb teal = qRgb(0, 159, 168);
        QImage image = w.grab().toImage();
        // The largest dot is index 7; the middle of the circle stays clear.
        QCOMPARE(image.pixel(202 + 15, 322), teal);
        QCOMPARE(qAlpha(image.pixel(262, 262)), 0);
        // After one step it is index 0, and index 7 has shrunk to 19.
        step(w, 1);
        image = w.grab().toImage();
        QCOMPARE(image.pixel(172 + 20, 262), teal);
        QCOMPARE(qAlpha(image.pixel(202 + 21, 322)), 0);
    }

    void showCentresAndHideStops()
    {
        QWidget host;
        host.resize(1400, 1000);
        QWidget centre(&host);
        centre.setGeometry(100, 50, 1001, 801);
        widget_loading w(&host);
        w.setCenterWidget(&centre);
        host.show();
        auto *timer = w.findChild<QTimer *>();
        QVERIFY(!timer->isActive());

        w.showLoading();
        QVERIFY(w.isVisible());
        QCOMPARE(w.pos(), QPoint(100 + (500 - 302), 50 + (400 - 209)));
        QTRY_VERIFY_WITH_TIMEOUT(w.radii() != startRadii, 1000);

        w.hideLoading();
        QVERIFY(!w.isVisible());
        QVERIFY(!timer->isActive());
        const QVector<int> frozen = w.radii();
        QTest::qWait(150);
        QCOMPARE(w.radii(), frozen);
    }
};

QTEST_MAIN(tst_loading)
#include "tst_loading.moc"
