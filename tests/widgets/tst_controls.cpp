// Combo boxes and spin boxes: the wheel reaches them only while they have focus, and the tool's style sheet keeps a
// combo popup's highlighted item readable.

#include "resources/hub8resources.h"
#include "widgets/tablestyle.h"
#include "widgets/wheelguard.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// Turns the wheel one notch over the middle of `w`; true when something took the turn.
bool turnWheel(QWidget *w, int angle)
{
    const QPoint pos = w->rect().center();
    QWheelEvent event(QPointF(pos), QPointF(w->mapToGlobal(pos)), QPoint(), QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
    return event.isAccepted();
}

// The main window's style sheet, as the window sets it.
QString windowStyleSheet()
{
    initHub8Resources();
    QFile qss(QStringLiteral(":/qss/green/mainwindow.qss"));
    return qss.open(QIODevice::ReadOnly) ? QString::fromUtf8(qss.readAll()) : QString();
}

} // namespace

class tst_controls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { WheelGuard::install(qApp); }

    void wheelNeedsFocus()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *combo = new QComboBox;
        combo->addItems({QStringLiteral("无操作"), QStringLiteral("清除数据"), QStringLiteral("写操作")});
        auto *spin = new QSpinBox;
        spin->setValue(5);
        auto *fixedPolicy = new QSpinBox;
        fixedPolicy->setFocusPolicy(Qt::NoFocus);
        auto *edit = new QLineEdit;
        for (QWidget *w : QList<QWidget *>{combo, spin, fixedPolicy, edit})
            layout->addWidget(w);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));

        // A click or Tab focuses them, the wheel alone does not; a policy set on purpose stays.
        QCOMPARE(QList<Qt::FocusPolicy>({combo->focusPolicy(), spin->focusPolicy(), fixedPolicy->focusPolicy()}),
                 QList<Qt::FocusPolicy>({Qt::StrongFocus, Qt::StrongFocus, Qt::NoFocus}));

        // Without focus the turn is left for the widgets below (a scroll area).
        edit->setFocus();
        QVERIFY(!turnWheel(combo, -120));
        QVERIFY(!turnWheel(spin, 120));
        QCOMPARE(combo->currentIndex(), 0);
        QCOMPARE(spin->value(), 5);

        combo->setFocus();
        turnWheel(combo, -120);
        QCOMPARE(combo->currentIndex(), 1);
        spin->setFocus(); // the focus goes on to its line edit
        turnWheel(spin, 120);
        QCOMPARE(spin->value(), 6);
    }

    void popupHighlightReadable()
    {
        QWidget window;
        window.setStyleSheet(windowStyleSheet());
        QVERIFY(!window.styleSheet().isEmpty());
        auto *combo = new QComboBox(&window);
        combo->addItems({QStringLiteral("无操作"), QStringLiteral("写操作"), QStringLiteral("读操作")});
        combo->setCurrentIndex(1);
        combo->setGeometry(10, 10, 240, 28);
        window.resize(260, 60);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        combo->showPopup();
        QAbstractItemView *view = combo->view();
        QVERIFY(QTest::qWaitForWindowExposed(view->window()));

        const QImage image = view->viewport()->grab().toImage();
        const QRect highlighted = view->visualRect(combo->model()->index(1, 0)) & image.rect();
        const QRect plain = view->visualRect(combo->model()->index(0, 0)) & image.rect();
        QVERIFY(highlighted.width() > 100 && !plain.isEmpty());
        const QRgb highlight = image.pixel(highlighted.right() - 5, highlighted.center().y());
        const QRgb background = image.pixel(plain.right() - 5, plain.center().y());
        QVERIFY2(highlight != background, qPrintable(QColor(highlight).name()));

        // The item's text stands out from the highlight (the edge, where a frame may be, left out).
        const QRect inside = highlighted.adjusted(3, 3, -3, -3);
        int contrast = 0;
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            for (int x = inside.left(); x <= inside.right(); ++x)
                contrast = qMax(contrast, qAbs(qGray(image.pixel(x, y)) - qGray(highlight)));
        }
        QVERIFY2(contrast > 80, qPrintable(QString::number(contrast)));
        combo->hidePopup();
    }

    // A value table under the window's style sheet keeps an opaque viewport (a box drawn by a style sheet
    // takes it away, and each changed cell then repaints every widget behind the table) and stays white.
    void valueTableOpaque()
    {
        QWidget window;
        window.setStyleSheet(windowStyleSheet());
        QVERIFY(!window.styleSheet().isEmpty());
        auto *table = new QTableWidget(2, 2, &window);
        TableStyle::styleTable(table);
        window.resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(table->viewport()->autoFillBackground() && table->frameShape() == QFrame::NoFrame);
        const QImage image = table->viewport()->grab().toImage();
        QCOMPARE(QColor(image.pixel(image.width() - 3, image.height() - 3)), QColor(Qt::white));
    }
};

QTEST_MAIN(tst_controls)
#include "tst_controls.moc"
