#ifndef PDTABLE_H
#define PDTABLE_H

class QTableWidget;

// The three-column table of the process-data pages ("序号", "名称", "值"):
// fixed sections of 60, 200 and 200 pixels, no vertical header, one whole row
// selected at a time, the common table style. The column titles follow a
// switch of language by themselves.
void setUpProcessDataTable(QTableWidget *table);

#endif // PDTABLE_H
