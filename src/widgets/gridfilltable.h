#ifndef GRIDFILLTABLE_H
#define GRIDFILLTABLE_H

#include <QTableWidget>

// A table widget that draws its grid lines as filled one-pixel rectangles.
// QTableView strokes every line of a repainted area pixel by pixel with a
// cosmetic pen, which cost as much as drawing the changed values on a page
// that repaints a few cells every poll. The lines land on the same pixels in
// the same colour; the table's own pen is kept at Qt::NoPen, so the grid is
// always solid (showGrid() still turns it off).
class gridFillTable : public QTableWidget
{
    Q_OBJECT
public:
    explicit gridFillTable(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void paintGrid(QPaintEvent *event);
};

#endif // GRIDFILLTABLE_H
