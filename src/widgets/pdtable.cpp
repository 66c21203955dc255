#include "pdtable.h"

#include "tablestyle.h"

#include <QHeaderView>
#include <QTableWidget>

void setUpProcessDataTable(QTableWidget *table)
{
    static const int columnWidths[] = {60, 200, 200};
    table->setColumnCount(3);
    table->setHorizontalHeaderLabels({QStringLiteral("序号"), QStringLiteral("名称"), QStringLiteral("值")});
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int i = 0; i < 3; ++i)
        table->setColumnWidth(i, columnWidths[i]);
    table->verticalHeader()->setVisible(false);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setStyleSheet(QString::fromLatin1(hub8style::tableStyleSheet));
}
