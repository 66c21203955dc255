#ifndef GRIDFILLTABLE_H
#define GRIDFILLTABLE_H

#include <QTableWidget>

// A table widget that draws its solid grid lines as filled one-pixel
// rectangles. QTableView strokes every line of a repainted area pixel by
// pixel with a cosmetic pen, which cost as much as drawing the changed values
// on a page that repaints a few cells every poll. The lines land on the same
// pixels in the same colour. QTableView keeps its layout (the one-pixel gap
// for the grid, showGrid()) with its own pen set to Qt::NoPen.
//
// Where filling would not give Qt's pixels the grid goes back to Qt: a grid
// style other than solid, or cells merged with setSpan(). Both must be set
// through this class, not through a QTableView pointer, which it would not
// see.
class gridFillTable : public QTableWidget
{
    Q_OBJECT
public:
    explicit gridFillTable(QWidget *parent = nullptr);

    void setGridStyle(Qt::PenStyle style);
    Qt::PenStyle gridStyle() const { return m_gridStyle; }
    void setSpan(int row, int column, int rowSpanCount, int columnSpanCount);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool fillsGrid() const { return m_gridStyle == Qt::SolidLine && !m_spans; }
    void paintGrid(QPaintEvent *event);

    Qt::PenStyle m_gridStyle = Qt::SolidLine;
    bool m_spans = false;
};

#endif // GRIDFILLTABLE_H
