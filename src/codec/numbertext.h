#ifndef NUMBERTEXT_H
#define NUMBERTEXT_H

// Numbers of a device between their raw value and the text a user reads and
// types: raw × gradient + offset, with the decimals of the display format.
// Integers up to 64 bits unscaled are exact both ways; Float32T values are
// shown with the shortest text that reads back to the same float.

#include "description/ioddrecords.h"

#include <QString>
#include <QtGlobal>

namespace NumberText {

struct Presentation
{
    double gradient = 1;
    double offset = 0;
    // -1: as many as gradient and offset need (none for an unscaled integer).
    int decimals = -1;

    bool scaled() const { return gradient != 1 || offset != 0; }
};

// From the entry's gradient, offset and displayFormat ("Dec.N" gives N
// decimals). A gradient that is missing, unparsable, zero or not finite
// counts as 1; an unusable offset as 0.
Presentation presentationOf(const ValueItem &entry);

// Where an integer of the device lies: signed or not, 1..64 bits.
struct IntegerRange
{
    bool isSigned = false;
    int bits = 8;
};

// The raw value (its low `bits` bits, sign-extended for a signed type) as shown.
QString integerText(quint64 raw, const IntegerRange &range, const Presentation &p);

// The float as shown: the shortest text that reads back to it when unscaled,
// scaled otherwise.
QString floatText(float value, const Presentation &p);

// What a user typed, back to the raw value. `error` says why not (the text
// is not a number, or lies outside what the type holds).
struct Parsed
{
    bool ok = false;
    quint64 raw = 0; // integers: the two's complement pattern, not masked
    float value = 0; // Float32T
    QString error;
};
Parsed parseInteger(const QString &text, const IntegerRange &range, const Presentation &p);
Parsed parseFloat(const QString &text, const Presentation &p);

// A limit of the description (raw, as written in the IODD) in display units;
// empty when the text is not a number.
QString limitText(const QString &rawLimit, bool isFloat, const Presentation &p);

// The entry's lower and upper limit in display units ("min … max"): false
// when the description gives no usable pair.
bool displayLimits(const ValueItem &entry, QString *low, QString *high);

// Display value of a raw limit or value as a double (for range checks).
double displayValue(double raw, const Presentation &p);

// A raw integer in a "Hex" or "Bin" display format: "0x1F", "0b11111", the
// low `bits` bits as an unsigned pattern; empty for other formats.
QString patternText(quint64 raw, int bits, const QString &displayFormat);
// "0x..." or "0b..." typed by a user, as a raw pattern of at most `bits`
// bits; false for other text.
bool parsePattern(const QString &text, int bits, quint64 *raw);

// TimeT: seconds since 1900-01-01 00:00:00 UTC in the high 32 bits (a value
// with the top bit clear counts from 2036-02-07 06:28:16, where the 32-bit
// seconds wrap) and 2^-32 s in the low 32 bits; shown as ISO 8601,
// "2024-08-24T10:20:30" with ".ffffff" microseconds when there are any.
QString timeText(quint64 raw);
bool parseTime(const QString &text, quint64 *raw);
// TimeSpanT: a signed number of 2^-32 s, shown as ISO 8601 "PT<seconds>S"
// with the exact decimal fraction.
QString timeSpanText(qint64 raw);
bool parseTimeSpan(const QString &text, qint64 *raw);

} // namespace NumberText

#endif // NUMBERTEXT_H
