#ifndef READONLYITEM_H
#define READONLYITEM_H

class QString;
class QTableWidgetItem;

// A table cell with `text` that the user cannot edit.
QTableWidgetItem *readOnlyItem(const QString &text);

#endif // READONLYITEM_H
