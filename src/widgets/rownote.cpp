#include "rownote.h"

#include <QBoxLayout>
#include <QLabel>

void setRowNote(QLabel *&note, QWidget *page, QBoxLayout *row, const QString &text)
{
    if (!note) {
        note = new QLabel(page);
        note->setObjectName(QStringLiteral("label_layout"));
        note->setTextInteractionFlags(Qt::TextSelectableByMouse);
        row->addWidget(note);
    }
    note->setText(text);
    note->setVisible(!text.isEmpty());
}
