#include "pdtable.h"

#include "tablestyle.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QTableWidget>

namespace {

// Names a table's columns in the current language, and again after every
// switch of language.
class ColumnTitles : public QObject
{
public:
    explicit ColumnTitles(QTableWidget *table) : QObject(table) { table->installEventFilter(this); }

    static void show(QTableWidget *table)
    {
        table->setHorizontalHeaderLabels({QCoreApplication::translate("ProcessDataTable", "序号"),
                                          QCoreApplication::translate("ProcessDataTable", "名称"),
                                          QCoreApplication::translate("ProcessDataTable", "值")});
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::LanguageChange)
            show(static_cast<QTableWidget *>(watched));
        return false;
    }
};

} // namespace

void setUpProcessDataTable(QTableWidget *table)
{
    static const int columnWidths[] = {60, 200, 200};
    table->setColumnCount(3);
    ColumnTitles::show(table);
    new ColumnTitles(table);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int i = 0; i < 3; ++i)
        table->setColumnWidth(i, columnWidths[i]);
    // The value column takes the room the page gives the table.
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setVisible(false);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    TableStyle::styleTable(table);
}
