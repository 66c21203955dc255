#ifndef CTLVALUES_H
#define CTLVALUES_H

// Every use hub8ctl makes of the value and process-data codecs, in one place:
// parameters decoded and encoded as the parameter page does, process data as
// the process-data pages do.

#include "description/ioddrecords.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace CtlValues {

// ---- parameters -------------------------------------------------------------

// Whether `text` is something the entry can be set to: one of its named
// values, a number in display units that fits the type and the description's
// values and ranges. Says why not in *why.
bool acceptsText(const ValueItem &entry, const QString &text, QString *why);
bool isWritable(const ValueItem &entry);

// ---- process data -------------------------------------------------------

// Bits the process data of a description node (ProcessDataIn/Out) takes.
int processDataBits(const TreeItem &node);

struct ProcessDataItem
{
    QString name;
    QString subindex;
    int bitOffset = 0;
    int bitLength = 0;
    QString raw;           // integers in decimal, strings in hex
    bool hasValue = false; // false: the data does not reach the item
    QString value;
    QString unit;
};

// The items of `node` decoded from the octets of its process data (read as
// whole registers: an octet behind the process data does not count).
QVector<ProcessDataItem> decodeProcessData(const TreeItem &node, const QByteArray &data);

} // namespace CtlValues

#endif // CTLVALUES_H
