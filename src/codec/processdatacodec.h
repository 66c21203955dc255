#ifndef PROCESSDATACODEC_H
#define PROCESSDATACODEC_H

// Process data between the octets of a port's process-data windows and what
// the "In port" and "Out port" pages show and send (Qt Core only).
//
// Process data is big-endian: bit 0 is the least significant bit of the last
// octet of the process data. Input items take their bits in list order,
// packed from bit 0 upward; the bit offsets of the description are not used.

#include "description/ioddrecords.h"

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

namespace processDataCodec {

// Bit length of one process-data item. A blank bit length counts with the
// width its type fixes (Float32T 32, TimeT and TimeSpanT 64, StringT and
// OctetStringT 8 × fixedLength), otherwise as 1: one-bit values carry none.
// Without the type widths a record holding such an item would shift every
// later item. (Parameters have their own rule: valueCodec::itemBitLength.)
int itemBitLength(const valueItem &item);

// True for an entry value that stands for a set bit: "true" or "1".
bool meansOn(const QString &entryValue);

// ---- input ----------------------------------------------------------------

struct inputField
{
    valueItem item;
    int position = 0; // first bit, counted from bit 0
    int bitLength = 0;
};

// Where every item of the input process data lies; built once per node.
struct inputLayout
{
    int bitLength = 0;          // the whole process data (the node's text)
    QVector<inputField> fields; // in the node's order
};

inputLayout inputLayoutOf(const treeItem &node);

// What an item shows before the first read: "false" for a BooleanT,
// otherwise the lower limit scaled by the gradient, with as many decimals as
// the gradient needs.
QString startText(const valueItem &item);

// One item of a read.
struct inputValue
{
    bool changed = false; // false: the item keeps the text it shows
    QString text;
    bool isBit = false; // a one-bit item; `bit` is its state
    bool bit = false;
};

// Decodes one read of the input window, one result per field. The data may
// hold whole registers: an octet behind the process data (odd octet count)
// does not count. Numbers are shown raw (no gradient) by a matching entry
// text, else only strictly between their limits; other reads are "no
// change". A 32-bit Float32T shows 6 significant digits, limited only when
// both limits are given.
QVector<inputValue> decodeInput(const inputLayout &layout, const QByteArray &data);

// ---- output ---------------------------------------------------------------

// The register block for a single output value of `bitLength` bits: the value
// masked to that many bits, right-aligned in ceil(bitLength / 8) octets at the
// start of the block, most significant first, zeros up to `registers` whole
// registers. When the block is shorter, its low-order octets are kept.
QByteArray singleValueBlock(quint64 value, int bitLength, int registers);

// The editor of one record item: the item's subindex and the text it shows.
struct recordChoice
{
    int subindex = 0;
    QString shownText;
};

// One bit of a record output: bit index (subindex - 1) and 0 or 1.
struct outputBit
{
    int bit = 0;
    int value = 0;
};

// The bits of a record of one-bit values by subindex, in subindex order.
// Anything shown but "false" sends 1, so "Off"/"On" entries both send 1.
QVector<outputBit> recordBits(const QVector<recordChoice> &choices);

// `words` 16-bit words: bit k sets bit k mod 16 of word k div 16; bits
// beyond the words are dropped.
QVector<quint16> recordWords(const QVector<outputBit> &bits, int words);

// The words as the link's register text: "a,b,c" in decimal.
QString wordsText(const QVector<quint16> &words);

} // namespace processDataCodec

#endif // PROCESSDATACODEC_H
