#ifndef PROCESSDATACODEC_H
#define PROCESSDATACODEC_H

// Process data between the octets of a port's process-data windows and what
// the "In port" and "Out port" pages show and send (Qt Core only).
//
// Process data is big-endian: bit 0 is the least significant bit of the last
// octet of the process data. Every item lies at its bit offset with its bit
// length, as the description's record says; a description without a record
// (one simple type for the whole process data) has one item at offset 0.
// Numbers are shown as raw x gradient + offset with their unit, taken from
// the menu reference to the same item (NumberText).

#include "description/ioddrecords.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

namespace ProcessDataCodec {

// IO-Link carries at most 32 octets of process data each way.
constexpr int maxOctets = 32;
constexpr int maxBits = 8 * maxOctets;

// Bit length of one process-data item. A blank bit length counts with the
// width its type fixes (BooleanT 1, Float32T 32, TimeT and TimeSpanT 64,
// StringT and OctetStringT 8 x fixedLength), otherwise as 1.
int itemBitLength(const ValueItem &item);

// True for an entry value that stands for a set bit: "true" or "1".
bool meansOn(const QString &entryValue);

struct Field
{
    ValueItem item;
    int bitOffset = 0;
    int bitLength = 0;
};

// Where every item of the process data lies; built once per node.
struct Layout
{
    int bitLength = 0;     // the whole process data (the node's text)
    QVector<Field> fields; // in the node's order
};

Layout layoutOf(const TreeItem &node);

// The process-data octets of a read of whole registers: with an odd octet
// count the last octet read lies behind the process data.
QByteArray processDataOctets(const Layout &l, const QByteArray &registers);

// One item of a read.
struct ItemValue
{
    bool ok = false; // false: the data does not reach the item; text says so
    QString raw;     // integers in decimal, a float as read, strings in hex
    QString text;    // as shown: an entry's name, a number in display units, a string
    QString unit;
    bool isBit = false; // a one-bit item; `bit` is its state
    bool bit = false;
};

// The text shown for an item the data does not reach.
QString missingText();

ItemValue decodeItem(const Field &f, const QByteArray &pd);

// Decodes one read of the window (whole registers), one result per field.
QVector<ItemValue> decode(const Layout &l, const QByteArray &registers);

// ---- output ---------------------------------------------------------------

// The process-data octets (ceil(bitLength / 8) of them) for the output
// items. inputs[i] is what field i's editor holds: for a BooleanT or an item
// with entries the chosen entry's value, otherwise the text typed in display
// units (strings as text, octet strings in hex). An empty input leaves the
// item's bits 0. Items whose input cannot be encoded stay 0 and add a line
// "label: why" to `errors`.
QByteArray encode(const Layout &l, const QVector<QString> &inputs, QStringList *errors);

} // namespace ProcessDataCodec

#endif // PROCESSDATACODEC_H
