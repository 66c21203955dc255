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

// The entry is read and written by its own subindex (a very large variable);
// otherwise its whole variable is read at subindex 0.
bool bySubindex(const ValueItem &entry);
// The data length a read of the entry's own subindex asks for.
int itemReadLength(const ValueItem &entry);

// The entry's text from the data of a read of its whole variable (right-
// aligned) or of its own subindex, in entry.editor.value. False when the data
// is too short to hold the entry.
bool decodeWhole(ValueItem &entry, const QByteArray &data);
bool decodeItem(ValueItem &entry, const QByteArray &data);

// Whether `text` is something the entry can be set to: one of a choice
// entry's texts, a number in display units that fits the type and the
// description's limits. Says why not in *why.
bool acceptsText(const ValueItem &entry, const QString &text, QString *why);
bool isWritable(const ValueItem &entry);

// The data of a subindex 0 write of a variable from the editor values of its
// entries (the first one sets the length); entries that are not writable keep
// zeros. False when the first entry cannot be encoded.
bool encodeWhole(QList<ValueItem> &entries, QByteArray *data);
// The data of a write of the entry's own subindex. False when it cannot be
// encoded.
bool encodeItem(ValueItem &entry, QByteArray *data);

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
