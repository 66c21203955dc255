#ifndef VALUECODEC_H
#define VALUECODEC_H

// Conversion of device parameter values between the octets of an ISDU
// exchange and the text shown in the parameter table.
//
// Device data is big-endian. Inside a variable of L bits, bit position p lies
// in octet (L - 1 - p) div 8 at bit p mod 8: positions count from the least
// significant bit of the last octet. Every function works on one entry
// (ValueItem) and changes only that entry's editor value and flag.

#include "description/ioddrecords.h"

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <array>

namespace ValueCodec {

// Octets one ISDU request or response of the adapter's mailbox carries. An
// item of a larger variable is read and written by its own subindex where the
// variable allows that; otherwise the variable goes whole (subindex 0).
constexpr int mailboxOctets = 33;

// What a device can hold. Numbers taken from an entry are clamped to these
// where they are used, so an entry from any source stays within them: a
// number has at most 64 bits, a variable at most 232 octets (string and
// octet-string lengths too), subindices are 0..255, and a "Dec.N" display
// format shows at most 15 decimals.
constexpr int maxNumberBits = 64;
constexpr int maxOctets = 232;
constexpr int maxVariableBits = 8 * maxOctets;
constexpr int maxSubindex = 255;
constexpr int maxDecimals = 15;

// ---- bit helpers (also usable for process data) ---------------------------

// The `count` bits starting at bit position `offset` of a field of
// `totalBits` bits held big-endian in `data`. Octets outside `data` read as 0.
// count is at most 64. Any int arguments are safe.
quint64 extractBits(const QByteArray &data, int totalBits, int offset, int count);

// ORs the low `count` bits of `value` into bit positions offset..offset+count-1
// of a big-endian field of `totalBits` bits in data[0..size-1]. Bits that fall
// outside the buffer are dropped; no bit is ever cleared. Any int arguments
// are safe.
void insertBits(quint8 *data, int size, int totalBits, int offset, int count, quint64 value);

// `raw` read as a two's-complement number of `bits` bits.
qint64 signExtend(quint64 raw, int bits);

// Octets from hex text: an optional "0x", then pairs of hex digits; blanks
// are ignored. False for anything else.
bool parseHexOctets(QString text, QByteArray *out);

// ---- the numbers an entry is described by ---------------------------------

// Bit length n of the entry's own value: editor.bitLength, 0 or empty counts as
// 8, more than maxNumberBits as maxNumberBits; a Float32T is always 32 bits.
int itemBitLength(const ValueItem &entry);
// Bit length L of the whole variable the entry belongs to (0 when unknown),
// at most maxVariableBits.
int variableBitLength(const ValueItem &entry);
// True when the entry is read and written by its own subindex: an item of a
// variable longer than the mailbox that allows subindex access.
bool usesSingleItemAccess(const ValueItem &entry);
// Entries with "w" in their access ("rw", "wo") are written; those with "r"
// are read.
bool isWritable(const ValueItem &entry);
bool isReadable(const ValueItem &entry);

// ---- decode ---------------------------------------------------------------

// A number that is one of its datatype's named values shows that name;
// any other number shows raw x gradient + offset with the decimals of a
// "Dec.N" display format (NumberText), as "0x.."/"0b.." with "Hex"/"Bin",
// integers of any width exactly, Float32T with the shortest text that reads
// back the same. A BooleanT alone fills an octet (0x00 false, anything else
// true); inside a record or array it is the one bit at its bit offset.
// Strings inside a record sit at their bit offsets too. TimeT and TimeSpanT
// are ISO 8601 texts (NumberText::timeText).

// Decodes the entry from the data of a read of subindex 0 (its whole
// variable). Returns false, leaving the entry unchanged, when the data is
// shorter than the variable: the read gave no value for it.
bool decodeRecord(ValueItem &entry, const QByteArray &data);

// Decodes the entry from the data of a read of its own subindex; false when
// the data is shorter than the entry.
bool decodeSingleItem(ValueItem &entry, const QByteArray &data);

// The integer an entry of BooleanT (0 or 1), UIntegerT or IntegerT holds in
// the data of a read of its whole variable (wholeVariable) or of its own
// subindex; false for other types or data too short.
bool integerOf(const ValueItem &entry, const QByteArray &data, bool wholeVariable, qint64 *value);

// Text of the default column: a number's default value as the value column
// would show it; other defaults as they are.
QString defaultText(const ValueItem &entry);
// The default as the value cell would show it: a choice's name when one has
// that value, else defaultText() with the unit.
QString defaultDisplayText(const ValueItem &entry);

// ---- encode ---------------------------------------------------------------

struct EncodedValue
{
    quint64 raw = 0;   // numbers and booleans, not yet masked to n bits
    QByteArray octets; // StringT and OctetStringT
    bool hasOctets = false;
    bool valid = true; // false: nothing to write (see error)
    QString error;     // why not: text that is no number, out of the type's range, no such entry, TimeT, ...
};

// Takes the value to write from the entry's editor text (display units) and
// marks the entry not modified; a refused text leaves the entry as it is.
// Does not look at the access right.
EncodedValue encode(ValueItem &entry);

// The data octets and the length field of one ISDU write request.
struct RecordImage
{
    static constexpr int dataSize = mailboxOctets;
    std::array<quint8, dataSize> data{};
    int length = 0;

    QByteArray bytes() const;
};

// An empty image for the entry's variable: all zeros, length ceil(L / 8)
// (ceil(n / 8) when L is 0).
RecordImage startRecordImage(const ValueItem &entry);

// Encodes a writable entry and ORs it into the image of its variable (subindex
// 0 write). Returns false, touching nothing, when the entry is not "rw" or its
// type cannot be written.
bool placeInRecordImage(ValueItem &entry, RecordImage &image);

// Builds the image of a single-item write (the entry alone, right-aligned in
// its whole octets; a BooleanT as 0x00/0xFF). Returns
// false, touching nothing, when the entry is not "rw" or its type cannot be
// written.
bool buildSingleItemImage(ValueItem &entry, RecordImage &image);

// Clears the bits (or octets) the entry occupies in an image of its variable,
// so that placeInRecordImage replaces the entry in an image that holds what
// the device sent for the whole variable.
void clearInRecordImage(const ValueItem &entry, RecordImage &image);

// The image of a subindex 0 write that changes only `entries` (all of one
// variable, at least one): what the device sent for the whole variable, with
// each entry cleared and placed again from its editor value. False when one of
// them cannot be written; the image should not be sent then.
bool replaceInDeviceData(const QByteArray &deviceData, const QVector<ValueItem *> &entries, RecordImage &image);

// Why `text` typed into the entry's cell cannot be written (not a number,
// outside the type or outside the description's limits, shown in display
// units); empty when it can.
QString checkInput(const ValueItem &entry, const QString &text);

} // namespace ValueCodec

#endif // VALUECODEC_H
