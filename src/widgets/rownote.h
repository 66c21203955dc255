#ifndef ROWNOTE_H
#define ROWNOTE_H

#include <QString>

class QBoxLayout;
class QLabel;
class QWidget;

// A selectable one-line note at the end of a page's button row ("label_layout"),
// made on first use into `note`; hidden while its text is empty.
void setRowNote(QLabel *&note, QWidget *page, QBoxLayout *row, const QString &text);

#endif // ROWNOTE_H
