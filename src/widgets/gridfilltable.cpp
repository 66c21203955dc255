#include "gridfilltable.h"

#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>

gridFillTable::gridFillTable(QWidget *parent) : QTableWidget(parent)
{
    // The cells keep their one-pixel gap for the grid (showGrid() stays
    // true); only QTableView's own stroking of the lines is switched off.
    QTableWidget::setGridStyle(Qt::NoPen);
}

void gridFillTable::setGridStyle(Qt::PenStyle style)
{
    m_gridStyle = style;
    QTableWidget::setGridStyle(fillsGrid() ? Qt::NoPen : style);
}

void gridFillTable::setSpan(int row, int column, int rowSpanCount, int columnSpanCount)
{
    // Qt clips merged cells out of its grid and draws their edges itself.
    m_spans = true;
    QTableWidget::setGridStyle(m_gridStyle);
    QTableWidget::setSpan(row, column, rowSpanCount, columnSpanCount);
}

void gridFillTable::paintEvent(QPaintEvent *event)
{
    QTableWidget::paintEvent(event);
    if (showGrid() && fillsGrid())
        paintGrid(event);
}

// The lines QTableView would stroke, rectangle by rectangle of the repainted
// region, each clipped to the whole region as its lines are: with a
// translucent grid colour a line that two rectangles reach is blended twice
// there as well.
void gridFillTable::paintGrid(QPaintEvent *event)
{
    const QHeaderView *rows = verticalHeader();
    const QHeaderView *columns = horizontalHeader();
    if (columns->count() == 0 || rows->count() == 0)
        return;
    const bool rightToLeft = isRightToLeft();
    const int lastX = columns->length() - columns->offset() - (rightToLeft ? 0 : 1);
    const int lastY = rows->length() - rows->offset() - 1;
    const QRegion &region = event->region();

    // A poll repaints single cells, whose rectangles leave out the grid, so
    // most lines fall outside the region; the painter is made for the first
    // line that does not.
    QPainter painter;
    QColor color;
    bool scaled = false;
    auto fill = [&](const QRect &line) {
        if (!region.intersects(line))
            return;
        if (!painter.isActive()) {
            painter.begin(viewport());
            QStyleOptionViewItem option = viewOptions();
            color = QColor::fromRgba(
                static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
            // On a high-density screen, or drawn into a scaled painter, a
            // cosmetic line stays one device pixel wide and a rectangle
            // does not: there the lines are stroked as Qt strokes them.
            scaled = painter.deviceTransform().isScaling();
            if (scaled)
                painter.setPen(QPen(color, 0));
        }
        if (scaled)
            painter.drawLine(line.topLeft(), line.bottomRight());
        else
            painter.fillRect(line, color);
    };
    for (QRect area : region) {
        area.setBottom(qMin(area.bottom(), lastY));
        if (rightToLeft)
            area.setLeft(qMax(area.left(), viewport()->width() - lastX));
        else
            area.setRight(qMin(area.right(), lastX));
        if (!area.isValid())
            continue;

        int left = columns->visualIndexAt(area.left());
        int right = columns->visualIndexAt(area.right());
        if (rightToLeft)
            qSwap(left, right);
        if (left == -1)
            left = 0;
        if (right == -1)
            right = columns->count() - 1;
        int bottom = rows->visualIndexAt(area.bottom());
        if (bottom == -1)
            bottom = rows->count() - 1;
        int top = 0;
        if (alternatingRowColors() && rows->sectionsHidden()) {
            // With alternating colours and hidden rows the view starts its
            // rows at the top of the viewport, not of the area.
            const int offset = rows->offset();
            for (int y = 0; (y += rows->sectionSize(top)) <= offset && top < bottom; ++top) {
            }
        } else {
            top = rows->visualIndexAt(area.top());
        }
        if (top == -1 || top > bottom)
            continue;
        while (rows->isSectionHidden(rows->logicalIndex(bottom)))
            --bottom;

        for (int visual = top; visual <= bottom; ++visual) {
            const int row = rows->logicalIndex(visual);
            if (rows->isSectionHidden(row))
                continue;
            const int y = rowViewportPosition(row) + rowHeight(row) - 1;
            fill(QRect(QPoint(area.left(), y), QPoint(area.right(), y)));
        }
        for (int visual = left; visual <= right; ++visual) {
            const int column = columns->logicalIndex(visual);
            if (columns->isSectionHidden(column))
                continue;
            const int x = columnViewportPosition(column) + (rightToLeft ? 0 : columnWidth(column) - 1);
            fill(QRect(QPoint(x, area.top()), QPoint(x, area.bottom())));
        }
    }
}
