#include "tablestyle.h"

#include <QTableWidget>

namespace TableStyle {

namespace {

constexpr char tableStyleSheet[] =
    "QTableWidget::item:hover{\n    background-color:rgb(196,196,196,200)\n}\n                    \n"
    "QTableWidget::item:selected{\n    background-color:#C4C4C4\n}\n\t\n"
    "QHeaderView::section,QTableCornerButton:section{ \n    \n    padding:3px; \n    margin:0px; \n"
    "    color:#333333;  \n    border:1px solid #fff; \n    \n    border-left-width:0px; \n"
    "    border-right-width:1px; \n    border-top-width:0px; \n    border-bottom-width:1px;\n"
    "    background:qlineargradient(spread:pad,x1:0,y1:0,x2:0,y2:1,stop:0 #C4ECF6,stop:1 #6CD0E8); \n"
    "\tbackground:skyblue\n}\n";

} // namespace

void styleTable(QTableWidget *table)
{
    table->setStyleSheet(QString::fromLatin1(tableStyleSheet));
    table->setFrameShape(QFrame::NoFrame);
}

} // namespace TableStyle
