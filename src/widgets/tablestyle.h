#ifndef TABLESTYLE_H
#define TABLESTYLE_H

class QTableWidget;

// The look every value table of the tool has: grey hover and selection,
// sky-blue header sections with dark grey text, the palette's base colour
// (white) as background, no frame.
namespace TableStyle {

// Gives a table that look. The frame goes by the frame shape, not by a
// style sheet border: a table whose style sheet draws a box loses its opaque
// viewport, and every change of a cell then repaints all the widgets behind it.
void styleTable(QTableWidget *table);

} // namespace TableStyle

#endif // TABLESTYLE_H
