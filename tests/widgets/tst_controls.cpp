// Combo boxes and spin boxes: the wheel reaches them only while they have focus, and the tool's style sheet keeps a
// combo popup's highlighted item readable.

#include "resources/hub8resources.h"
#include "widgets/gridfilltable.h"
#include "widgets/livetextdelegate.h"
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
    QFile qss(QStringLiteral(":/qss/green/IOLinkMainWindow.qss"));
    return qss.open(QIODevice::ReadOnly) ? QString::fromUtf8(qss.readAll()) : QString();
}

// A paint device that keeps the texts drawn on it, with their widths.
class TextRecorder : public QPaintDevice
{
    class Engine : public QPaintEngine
    {
    public:
        QStringList *texts = nullptr;
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawTextItem(const QPointF &, const QTextItem &item) override { *texts << item.text(); }
        Type type() const override { return User; }
    };

public:
    QStringList texts;
    TextRecorder() { m_engine.texts = &texts; }
    QPaintEngine *paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        case PdmDepth:
            return 32;
        default:
            return 1000; // width, height and the rest: room for any cell
        }
    }

private:
    mutable Engine m_engine;
};

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

    // A polled value is drawn whole when it fits its cell, and cut with an ellipsis when it does not, also in a
    // narrow table font whose CJK characters come from a wider fallback font.
    void liveTextElidesOnlyWhatDoesNotFit()
    {
        QTableWidget table(1, 1);
        liveTextDelegate delegate;
        QFont mono(QStringLiteral("monospace")); // fontconfig's narrow monospace font, DejaVu Sans Mono on Debian
        mono.setStyleHint(QFont::TypeWriter);
        mono.setPixelSize(13);
        const QStringList texts = {QStringLiteral("23.5 °C"), QStringLiteral("温度 12.5"),
                                   QStringLiteral("1234567.125 mm/s, device temperature above its limit"),
                                   QStringLiteral("压力传感器温度补偿已启用，测量值稳定可靠正常")};
        for (const QFont &font : {table.font(), mono}) {
            table.setFont(font);
            const int margins = 2 * (table.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
            for (const QString &text : texts) {
                const int whole = QFontMetrics(font).horizontalAdvance(text) + margins; // the narrowest that fits
                for (int width : {60, 120, 200, 700, whole - 1, whole}) {
                    QStyleOptionViewItem option;
                    option.initFrom(&table);
                    option.font = font; // as a table view gives them
                    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
                    option.rect = QRect(0, 0, width, 24);
                    QStandardItemModel model(1, 1);
                    model.setData(model.index(0, 0), text);
                    TextRecorder device;
                    QPainter painter(&device);
                    delegate.paint(&painter, option, model.index(0, 0));
                    painter.end();
                    const QString drawn = device.texts.join(QString());
                    const int room = width - margins;
                    if (option.fontMetrics.horizontalAdvance(text) <= room)
                        QVERIFY2(drawn.isEmpty() || drawn == text, qPrintable(drawn)); // glyphs record no text
                    else
                        QVERIFY2(drawn.endsWith(QChar(0x2026)) && option.fontMetrics.horizontalAdvance(drawn) <= room,
                                 qPrintable(drawn));
                }
            }
        }
    }

    // A value that fits is drawn with the pixels of a line of text as Qt draws it, whichever way the delegate
    // takes: from kept glyphs (numbers and units), or laid out (ligatures, kerned pairs, a soft hyphen, other
    // scripts); in fonts one after another, cell heights and a painter scaled as on a high-density screen.
    void liveTextDrawsAsALineOfText()
    {
        QTableWidget table(1, 1);
        liveTextDelegate delegate;
        QFont sans = table.font();
        sans.setPixelSize(13); // the window's style sheet gives pixel sizes
        QFont mono(QStringLiteral("monospace"));
        mono.setStyleHint(QFont::TypeWriter);
        mono.setPixelSize(13);
        QFont bold = sans;
        bold.setBold(true);
        QFont large = sans;
        large.setPixelSize(17);
        const QStringList texts = {QStringLiteral("1013.25 hPa"), QStringLiteral("-23.5 °C, ±0.2 µm²"),
                                   QStringLiteral("AVATAR To Wa P. r."), QStringLiteral("Pump offline, profile 3"),
                                   QStringLiteral("Füllstand: Tank WATER"), QStringLiteral("Pump\u00adstate 12.5"),
                                   QStringLiteral("温度 12.5")};
        const int margin = table.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
        for (const QFont &font : {sans, mono, bold, large, sans}) {
            for (const QString &text : texts) {
                for (int height : {17, 24, 25, 31}) {
                    for (qreal scale : {1.0, 2.0}) {
                        QStyleOptionViewItem option;
                        option.initFrom(&table);
                        option.font = font;
                        option.fontMetrics = QFontMetrics(font);
                        option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter; // as a table view gives it
                        option.rect = QRect(3, 2, 400, height);
                        QStandardItemModel model(1, 1);
                        model.setData(model.index(0, 0), text);
                        QImage drawn(int(410 * scale), int(40 * scale), QImage::Format_ARGB32_Premultiplied);
                        drawn.fill(Qt::white);
                        QImage expected = drawn;
                        QPainter painter(&drawn);
                        painter.scale(scale, scale);
                        delegate.paint(&painter, option, model.index(0, 0));
                        painter.end();
                        painter.begin(&expected);
                        painter.scale(scale, scale);
                        painter.setFont(font);
                        painter.setPen(option.palette.color(QPalette::Normal, QPalette::Text));
                        painter.drawText(option.rect.adjusted(margin, 0, -margin, 0),
                                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
                        painter.end();
                        QVERIFY2(drawn == expected, qPrintable(QStringLiteral("%1 in %2, %3 px high, scaled %4")
                                                                   .arg(text, font.toString())
                                                                   .arg(height)
                                                                   .arg(scale)));
                    }
                }
            }
        }
    }

    // A table with the filled grid paints the pixels of Qt's own stroked grid, whether the whole table or a
    // few scattered cells are repainted, at one and two device pixels a pixel: scrolled, with hidden and
    // moved sections, alternating rows, a translucent grid colour (blended twice where two rectangles of
    // the region reach a line), right to left, merged cells and a dashed grid.
    void filledGridPaintsQtsGrid()
    {
        const QString translucent = QStringLiteral("QTableView { gridline-color: rgba(200, 0, 0, 90); }");
        for (int round = 0; round < 6; ++round) {
            QTableWidget stroked(12, 4);
            gridFillTable filled;
            filled.setRowCount(12);
            filled.setColumnCount(4);
            if (round == 4) {
                for (const QRect &merged : {QRect(1, 2, 2, 2), QRect(0, 5, 3, 1)}) {
                    stroked.setSpan(merged.y(), merged.x(), merged.height(), merged.width());
                    filled.setSpan(merged.y(), merged.x(), merged.height(), merged.width());
                }
            } else if (round == 5) {
                stroked.setGridStyle(Qt::DashLine);
                filled.setGridStyle(Qt::DashLine);
            }
            for (QTableWidget *table : {&stroked, static_cast<QTableWidget *>(&filled)}) {
                hub8style::styleTable(table);
                if (round >= 1 && round <= 3) {
                    table->setAlternatingRowColors(true);
                    table->setRowHidden(3, true);
                    table->setColumnHidden(1, true);
                    table->horizontalHeader()->moveSection(0, 2);
                    table->setStyleSheet(table->styleSheet() + translucent);
                }
                if (round == 3)
                    table->setLayoutDirection(Qt::RightToLeft);
                for (int row = 0; row < 12; ++row) {
                    table->setRowHeight(row, 20 + row % 3);
                    for (int column = 0; column < 4; ++column)
                        table->setItem(row, column, new QTableWidgetItem(QString::number(row * column)));
                }
                table->resize(260, 180);
                table->show();
                QVERIFY(QTest::qWaitForWindowExposed(table));
                if (round == 2)
                    table->verticalScrollBar()->setValue(37);
            }
            QRegion cells;
            for (int row : {1, 2, 5, 7})
                cells += stroked.visualRect(stroked.model()->index(row, 2));
            for (const QRegion &region : {QRegion(stroked.viewport()->rect()), cells,
                                          QRegion(5, 9, 230, 31) + QRegion(40, 30, 90, 50)}) {
                for (int ratio : {1, 2}) {
                    QImage images[2];
                    int i = 0;
                    for (QTableWidget *table : {&stroked, static_cast<QTableWidget *>(&filled)}) {
                        images[i] = QImage(table->viewport()->size() * ratio, QImage::Format_ARGB32_Premultiplied);
                        images[i].setDevicePixelRatio(ratio);
                        images[i].fill(Qt::white);
                        table->viewport()->render(&images[i++], QPoint(), region);
                    }
                    QVERIFY2(images[0] == images[1], qPrintable(QStringLiteral("round %1, region %2 rectangles, ratio %3")
                                                                    .arg(round)
                                                                    .arg(region.rectCount())
                                                                    .arg(ratio)));
                }
            }
        }
    }

    // A value cell leaves out the style's drawing only where the style draws nothing: hovered, selected and
    // focused cells under the table style sheet look as the style draws them, also after the style sheet
    // gives alternate rows, then all cells, a background of their own, and after a rule that selects the
    // table by a property comes to apply.
    void valueCellKeepsTheStylesCell()
    {
        QTableWidget table(1, 1);
        hub8style::styleTable(&table);
        const QString base = table.styleSheet();
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        QStandardItemModel model(1, 1);
        model.setData(model.index(0, 0), QString());
        liveTextDelegate live;
        QStyledItemDelegate plain;
        const auto same = [&](QStyle::State state, bool alternate) {
            QStyleOptionViewItem option;
            option.initFrom(&table);
            option.widget = &table;
            option.rect = QRect(2, 3, 120, 22);
            option.state &= ~QStyle::State_HasFocus; // a table view gives it to its current cell only
            option.state |= state;
            if (alternate)
                option.features |= QStyleOptionViewItem::Alternate;
            QImage images[2];
            int i = 0;
            for (QAbstractItemDelegate *delegate :
                 {static_cast<QAbstractItemDelegate *>(&live), static_cast<QAbstractItemDelegate *>(&plain)}) {
                images[i] = QImage(130, 30, QImage::Format_ARGB32_Premultiplied);
                images[i].fill(Qt::white);
                QPainter painter(&images[i++]);
                delegate->paint(&painter, option, model.index(0, 0));
            }
            return images[0] == images[1];
        };
        const QList<QStyle::State> states = {QStyle::State_None, QStyle::State_MouseOver, QStyle::State_Selected,
                                             QStyle::State_HasFocus, QStyle::State_Selected | QStyle::State_MouseOver};
        for (const QString &extra : {QString(), QStringLiteral("QTableWidget::item:alternate { background: #e0f0e0; }"),
                                     QStringLiteral("QTableWidget::item { background: #fae6c8; }")}) {
            table.setStyleSheet(table.styleSheet() + extra);
            for (QStyle::State state : states) {
                for (bool alternate : {false, true})
                    QVERIFY2(same(state, alternate), qPrintable(QStringLiteral("state %1, alternate %2, %3")
                                                                    .arg(int(state))
                                                                    .arg(alternate)
                                                                    .arg(extra.isEmpty() ? base : extra)));
            }
        }
        table.setStyleSheet(base + QStringLiteral("QTableWidget[alarm=\"true\"]::item { background: #0000ff; }"));
        QVERIFY(same(QStyle::State_None, false));
        table.setProperty("alarm", true);
        table.style()->unpolish(&table);
        table.style()->polish(&table);
        QVERIFY(same(QStyle::State_None, false));
    }

    // A value table under the window's style sheet keeps an opaque viewport (a box drawn by a style sheet
    // takes it away, and each changed cell then repaints every widget behind the table) and stays white.
    void valueTableOpaque()
    {
        QWidget window;
        window.setStyleSheet(windowStyleSheet());
        QVERIFY(!window.styleSheet().isEmpty());
        auto *table = new QTableWidget(2, 2, &window);
        hub8style::styleTable(table);
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
