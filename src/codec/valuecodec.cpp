#include "valuecodec.h"
#include "log/hub8log.h"
#include "numbertext.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace ValueCodec {

namespace {

const QLatin1String booleanKind(IoddKind::BooleanT);
const QLatin1String integerKind(IoddKind::IntegerT);
const QLatin1String uintegerKind(IoddKind::UIntegerT);
const QLatin1String float32Kind(IoddKind::Float32T);
const QLatin1String stringKind(IoddKind::StringT);
const QLatin1String octetStringKind(IoddKind::OctetStringT);
const QString falseText = QStringLiteral("false");
const QString trueText = QStringLiteral("true");

qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

qint64 floorMod(qint64 a, qint64 b)
{
    return a - floorDiv(a, b) * b;
}

bool isNumberType(const QString &type)
{
    return type == integerKind || type == uintegerKind || type == float32Kind;
}

int toIntOrZero(const QString &text)
{
    return text.trimmed().toInt();
}

// A number of the entry (text) clamped to what a device can hold.
int clamped(const QString &text, int low, int high)
{
    return std::clamp(toIntOrZero(text), low, high);
}

int bitOffsetOf(const ValueItem &entry)
{
    return clamped(entry.editor.bitOffset, 0, maxVariableBits);
}

int subindexOf(const ValueItem &entry)
{
    return clamped(entry.subindex, 0, maxSubindex);
}

int fixedLengthOf(const ValueItem &entry)
{
    return clamped(entry.editor.fixedLength, 0, maxOctets);
}

// A pair value or editor text read as a 64-bit pattern. Negative texts give
// their two's complement, as strtoull does; unparsable text gives 0.
quint64 toRawOrZero(const QString &text)
{
    bool ok = false;
    const qint64 s = text.trimmed().toLongLong(&ok);
    if (ok)
        return quint64(s);
    const quint64 u = text.trimmed().toULongLong(&ok);
    return ok ? u : 0;
}

float floatFromBits(quint64 raw)
{
    const quint32 bits = quint32(raw);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

quint32 bitsFromFloat(float f)
{
    quint32 bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

quint64 lowBits(quint64 value, int count)
{
    return count >= 64 ? value : (value & ((quint64(1) << count) - 1));
}

// Whole octets holding a variable of L bits: bit 0 is the least significant
// bit of the last of them.
int fieldBits(int L)
{
    return (L + 7) / 8 * 8;
}

// A BooleanT inside a record or array has a bit of its own (its bit offset);
// alone it fills an octet, 0x00 false, anything else true.
bool isLoneBoolean(const ValueItem &entry)
{
    return variableBitLength(entry) <= 0
        || (entry.editor.bitOffset.trimmed().isEmpty() && entry.subindexAccess != falseText && subindexOf(entry) == 0);
}

// Where the bit of a BooleanT inside a variable lies, as a bit position: its
// bit offset, or without one its subindex (subindex 1 is bit 0).
int booleanPosition(const ValueItem &entry)
{
    if (!entry.editor.bitOffset.trimmed().isEmpty())
        return bitOffsetOf(entry);
    return std::max(subindexOf(entry) - 1, 0);
}

// The field a number occupies: with a variable length, the entry's bit offset
// inside it; without one, the entry alone right-aligned in ceil(n/8) octets.
void numberField(const ValueItem &entry, int *totalBits, int *offset)
{
    const int L = variableBitLength(entry);
    const int n = itemBitLength(entry);
    if (L > 0) {
        *totalBits = fieldBits(L);
        *offset = bitOffsetOf(entry);
    } else {
        *totalBits = (n + 7) / 8 * 8;
        *offset = 0;
    }
}

bool booleanPairMatches(const QString &pairValue, bool bit)
{
    if (pairValue.size() <= 2)
        return (pairValue.toInt() == 1) == bit;
    return pairValue == (bit ? trueText : falseText);
}

void showBoolean(ValueItem &entry, bool bit)
{
    for (const ValuePair &pair : qAsConst(entry.editor.entries)) {
        if (booleanPairMatches(pair.second, bit)) {
            entry.editor.value = pair.first;
            entry.editor.flag = falseText;
            return;
        }
    }
}

NumberText::IntegerRange rangeOf(const ValueItem &entry, int bits)
{
    return {entry.editor.typeName == integerKind, bits};
}

NumberText::IntegerRange integerRangeOf(const ValueItem &entry)
{
    return rangeOf(entry, itemBitLength(entry));
}

// The entry's named value for a number, or null.
const ValuePair *namedValue(const ValueItem &entry, quint64 raw, int bits)
{
    const QString &type = entry.editor.typeName;
    const qint64 asSigned = signExtend(raw, bits);
    for (const ValuePair &pair : entry.editor.entries) {
        bool match;
        if (type == float32Kind) {
            bool ok = false;
            const float f = pair.second.trimmed().toFloat(&ok);
            match = ok && f == floatFromBits(raw);
        } else if (type == integerKind) {
            match = qint64(toRawOrZero(pair.second)) == asSigned;
        } else {
            match = toRawOrZero(pair.second) == lowBits(raw, bits);
        }
        if (match)
            return &pair;
    }
    return nullptr;
}

// Shows a decoded number. `raw` holds `bits` significant bits.
void showNumber(ValueItem &entry, quint64 raw, int bits)
{
    entry.editor.flag = falseText;
    if (const ValuePair *pair = namedValue(entry, raw, bits)) {
        entry.editor.value = pair->first;
        return;
    }
    const QString &type = entry.editor.typeName;
    if (type != float32Kind) {
        const QString pattern = NumberText::patternText(raw, bits, entry.displayFormat);
        if (!pattern.isEmpty()) {
            entry.editor.value = pattern;
            return;
        }
    }
    const NumberText::Presentation p = NumberText::presentationOf(entry);
    if (type == float32Kind)
        entry.editor.value = NumberText::floatText(floatFromBits(raw), p);
    else
        entry.editor.value = NumberText::integerText(raw, rangeOf(entry, bits), p);
}

bool isTimeType(const QString &type)
{
    return type == QLatin1String(IoddKind::TimeT) || type == QLatin1String(IoddKind::TimeSpanT);
}

void showTime(ValueItem &entry, quint64 raw)
{
    entry.editor.value = entry.editor.typeName == QLatin1String(IoddKind::TimeT)
        ? NumberText::timeText(raw)
        : NumberText::timeSpanText(qint64(raw));
    entry.editor.flag = falseText;
}

// The octets of a string inside a record: ceil(L/8) octets of which the
// string fills k from its bit offset upward (most significant first).
int stringStart(const ValueItem &entry, int k)
{
    return fieldBits(variableBitLength(entry)) / 8 - bitOffsetOf(entry) / 8 - k;
}

bool inRecord(const ValueItem &entry)
{
    return variableBitLength(entry) > 0 && !entry.editor.bitOffset.trimmed().isEmpty();
}

// Octets a string or octet string occupies: its fixed length, else its bit length.
int stringOctetCount(const ValueItem &entry)
{
    const int k = fixedLengthOf(entry);
    return k > 0 ? k : clamped(entry.editor.bitLength, 0, maxVariableBits) / 8;
}

void showString(ValueItem &entry, const QByteArray &data)
{
    const int zero = data.indexOf('\0');
    const QByteArray text = zero < 0 ? data : data.left(zero);
    if (entry.editor.encoding.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0)
        entry.editor.value = QString::fromUtf8(text);
    else
        entry.editor.value = QString::fromLocal8Bit(text);
    entry.editor.flag = falseText;
}

// Leaves the modified flag as it is.
void showHex(ValueItem &entry, const QByteArray &octets)
{
    entry.editor.value = QStringLiteral("0x") + QString::fromLatin1(octets.toHex());
}

// Strings and the types without a numeric value. An octet string of an array
// is its element by subindex; TimeT, TimeSpanT and unknown types stay unchanged.
void showOctets(ValueItem &entry, const QByteArray &data)
{
    const QString &type = entry.editor.typeName;
    if (type == stringKind) {
        showString(entry, data);
    } else if (type == octetStringKind) {
        const int k = fixedLengthOf(entry);
        if (k <= 0) {
            showHex(entry, data);
            return;
        }
        const int s = std::max((subindexOf(entry) - 1) * k, 0);
        const int end = std::min(s + k, int(data.size()));
        showHex(entry, s < end ? data.mid(s, end - s) : QByteArray());
    }
}

// Octets of an OctetStringT from hex text: an optional "0x", then pairs of
// hex digits; blanks are ignored. Padded with zeros or cut to the fixed length
// when one is given.
bool octetsFromHex(const ValueItem &entry, QByteArray *out)
{
    QByteArray octets;
    if (!parseHexOctets(entry.editor.value, &octets))
        return false;
    const int k = fixedLengthOf(entry);
    if (k > 0) {
        octets = octets.left(k);
        if (octets.size() < k)
            octets.append(QByteArray(k - octets.size(), '\0'));
    }
    *out = octets;
    return true;
}

// Text as octets for a StringT write: UTF-8 when the string's encoding says
// so, the local 8-bit code page otherwise; at most `limit` octets, never
// cutting a UTF-8 sequence in two.
QByteArray stringOctets(const ValueItem &entry, int limit)
{
    const bool utf8 = entry.editor.encoding.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0;
    if (!utf8)
        return entry.editor.value.toLocal8Bit().left(limit);
    QByteArray octets = entry.editor.value.toUtf8();
    if (octets.size() <= limit)
        return octets;
    int cut = limit;
    while (cut > 0 && (quint8(octets.at(cut)) & 0xC0) == 0x80)
        --cut;
    return octets.left(cut);
}

void copyInto(RecordImage &image, int start, const QByteArray &octets)
{
    for (int i = 0; i < octets.size(); ++i) {
        const int at = start + i;
        if (at >= 0 && at < RecordImage::dataSize)
            image.data[size_t(at)] = quint8(octets.at(i));
    }
}

// The description's ranges of a number: the single one of the editor, then
// those of a list. (lower, upper) as written.
QVector<QPair<QString, QString>> rangesOf(const EditorItem &ed)
{
    QVector<QPair<QString, QString>> ranges;
    if (!ed.lowerValue.trimmed().isEmpty() || !ed.upperValue.trimmed().isEmpty())
        ranges.append({ed.lowerValue, ed.upperValue});
    for (const EditorItem &r : ed.ranges)
        ranges.append({r.lowerValue, r.upperValue});
    return ranges;
}

// "One of: name, name, low … high" for an entry with named values or ranges.
QString allowedText(const ValueItem &entry)
{
    const EditorItem &ed = entry.editor;
    const bool isFloat = ed.typeName == float32Kind;
    const NumberText::Presentation p = NumberText::presentationOf(entry);
    QStringList allowed;
    for (const ValuePair &pair : ed.entries)
        allowed << pair.first;
    if (isNumberType(ed.typeName)) {
        for (const auto &[lower, upper] : rangesOf(ed))
            allowed << QStringLiteral("%1 … %2").arg(NumberText::limitText(lower, isFloat, p),
                                                     NumberText::limitText(upper, isFloat, p));
    }
    return QCoreApplication::translate("ValueCodec", "应为以下之一：%1").arg(allowed.join(QStringLiteral(", ")));
}

} // namespace

bool parseHexOctets(QString text, QByteArray *out)
{
    text.remove(QLatin1Char(' '));
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text = text.mid(2);
    if (text.size() % 2 != 0)
        return false;
    for (const QChar c : qAsConst(text)) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F')))
            return false;
    }
    *out = QByteArray::fromHex(text.toLatin1());
    return true;
}

// ---- bit helpers ----------------------------------------------------------

quint64 extractBits(const QByteArray &data, int totalBits, int offset, int count)
{
    count = std::min(count, 64);
    if (count <= 0)
        return 0;
    // Octets first..last hold the field; bit i of the value is bit
    // (shift + i) of their big-endian concatenation. 64-bit arithmetic: the
    // arguments may be any int.
    const qint64 last = floorDiv(qint64(totalBits) - 1 - offset, 8);
    const int shift = int(floorMod(offset, 8));
    quint64 value = 0;
    for (int i = 0; i < count; ++i) {
        const qint64 octet = last - (shift + i) / 8;
        if (octet < 0 || octet >= data.size())
            continue;
        if (quint8(data.at(int(octet))) & (1u << ((shift + i) % 8)))
            value |= quint64(1) << i;
    }
    return value;
}

void insertBits(quint8 *data, int size, int totalBits, int offset, int count, quint64 value)
{
    count = std::min(count, 64);
    const qint64 last = floorDiv(qint64(totalBits) - 1 - offset, 8);
    const int shift = int(floorMod(offset, 8));
    for (int i = 0; i < count; ++i) {
        if (!(value & (quint64(1) << i)))
            continue;
        const qint64 octet = last - (shift + i) / 8;
        if (octet < 0 || octet >= size)
            continue;
        data[octet] = quint8(data[octet] | (1u << ((shift + i) % 8)));
    }
}

qint64 signExtend(quint64 raw, int bits)
{
    if (bits <= 0)
        return 0;
    if (bits >= 64)
        return qint64(raw);
    const quint64 sign = quint64(1) << (bits - 1);
    raw = lowBits(raw, bits);
    return qint64(raw ^ sign) - qint64(sign);
}

// ---- entry numbers --------------------------------------------------------

int itemBitLength(const ValueItem &entry)
{
    if (entry.editor.typeName == float32Kind)
        return 32;
    if (isTimeType(entry.editor.typeName))
        return 64;
    const int n = toIntOrZero(entry.editor.bitLength);
    return n > 0 ? std::min(n, maxNumberBits) : 8;
}

int variableBitLength(const ValueItem &entry)
{
    return clamped(entry.bitLength, 0, maxVariableBits);
}

bool usesSingleItemAccess(const ValueItem &entry)
{
    return subindexOf(entry) > 0 && fieldBits(variableBitLength(entry)) / 8 > mailboxOctets
        && entry.subindexAccess != falseText;
}

bool isWritable(const ValueItem &entry)
{
    return entry.accessRightRestriction.contains(QLatin1Char('w'));
}

bool isReadable(const ValueItem &entry)
{
    return entry.accessRightRestriction.contains(QLatin1Char('r'));
}

// ---- decode ---------------------------------------------------------------

bool decodeRecord(ValueItem &entry, const QByteArray &data)
{
    const int L = variableBitLength(entry);
    if (fieldBits(L) / 8 > data.size())
        return false;

    const QString &type = entry.editor.typeName;
    if (type == booleanKind) {
        if (isLoneBoolean(entry)) {
            if (data.isEmpty())
                return false;
            showBoolean(entry, data.at(0) != 0);
        } else {
            showBoolean(entry, extractBits(data, fieldBits(L), booleanPosition(entry), 1) != 0);
        }
    } else if (isNumberType(type)) {
        const int n = itemBitLength(entry);
        int totalBits, offset;
        numberField(entry, &totalBits, &offset);
        if (totalBits / 8 > data.size())
            return false;
        showNumber(entry, extractBits(data, totalBits, offset, n), std::min(n, 64));
    } else if (isTimeType(type)) {
        int totalBits, offset;
        numberField(entry, &totalBits, &offset);
        if (totalBits / 8 > data.size())
            return false;
        showTime(entry, extractBits(data, totalBits, offset, 64));
    } else if ((type == stringKind || type == octetStringKind) && inRecord(entry)) {
        const int k = stringOctetCount(entry);
        const int start = stringStart(entry, k);
        if (start < 0 || start + k > data.size())
            return false;
        const QByteArray own = data.mid(start, k);
        if (type == stringKind)
            showString(entry, own);
        else
            showHex(entry, own);
    } else {
        showOctets(entry, data);
    }
    return true;
}

bool decodeSingleItem(ValueItem &entry, const QByteArray &data)
{
    const QString &type = entry.editor.typeName;
    if (type == booleanKind) {
        if (data.isEmpty())
            return false;
        showBoolean(entry, data.at(0) != 0);
    } else if (isNumberType(type)) {
        // The value alone, right-aligned in its whole octets.
        const int n = itemBitLength(entry);
        const int octets = (n + 7) / 8;
        if (data.size() < octets)
            return false;
        showNumber(entry, extractBits(data.left(octets), 8 * octets, 0, n), n);
    } else if (isTimeType(type)) {
        if (data.size() < 8)
            return false;
        showTime(entry, extractBits(data.left(8), 64, 0, 64));
    } else if (type == octetStringKind) {
        showHex(entry, data);
    } else {
        showOctets(entry, data);
    }
    return true;
}

bool integerOf(const ValueItem &entry, const QByteArray &data, bool wholeVariable, qint64 *value)
{
    const QString &type = entry.editor.typeName;
    const bool integer = type == integerKind || type == uintegerKind;
    if (type != booleanKind && !integer)
        return false;
    if (type == booleanKind) {
        if (!wholeVariable || isLoneBoolean(entry)) {
            if (data.isEmpty())
                return false;
            *value = data.at(0) != 0 ? 1 : 0;
        } else {
            const int L = variableBitLength(entry);
            if (fieldBits(L) / 8 > data.size())
                return false;
            *value = qint64(extractBits(data, fieldBits(L), booleanPosition(entry), 1));
        }
        return true;
    }
    const int n = itemBitLength(entry);
    quint64 raw;
    if (wholeVariable) {
        int totalBits, offset;
        numberField(entry, &totalBits, &offset);
        if (totalBits / 8 > data.size() || fieldBits(variableBitLength(entry)) / 8 > data.size())
            return false;
        raw = extractBits(data, totalBits, offset, n);
    } else {
        const int octets = (n + 7) / 8;
        if (data.size() < octets)
            return false;
        raw = extractBits(data.left(octets), 8 * octets, 0, n);
    }
    *value = type == integerKind ? signExtend(raw, n) : qint64(raw);
    return true;
}

QString defaultText(const ValueItem &entry)
{
    const NumberText::Presentation p = NumberText::presentationOf(entry);
    const QString &type = entry.editor.typeName;
    const bool text = type == stringKind || type == octetStringKind || type == booleanKind;
    if (text || (!p.scaled() && p.decimals < 0))
        return entry.defaultValue;
    const QString shown = NumberText::limitText(entry.defaultValue, type == float32Kind, p);
    return shown.isEmpty() ? entry.defaultValue : shown;
}

QString defaultDisplayText(const ValueItem &entry)
{
    const QString raw = entry.defaultValue.trimmed();
    if (raw.isEmpty())
        return QString();
    bool rawIsNumber = false;
    const double rawNumber = raw.toDouble(&rawIsNumber);
    for (const ValuePair &pair : entry.editor.entries) {
        const QString value = pair.second.trimmed();
        bool isNumber = false;
        const double number = value.toDouble(&isNumber);
        if (value.compare(raw, Qt::CaseInsensitive) == 0 || (isNumber && rawIsNumber && number == rawNumber))
            return pair.first;
    }
    const QString shown = defaultText(entry);
    return entry.unit.isEmpty() ? shown : shown + QLatin1Char(' ') + entry.unit;
}

// ---- encode ---------------------------------------------------------------

EncodedValue encode(ValueItem &entry)
{
    EncodedValue out;
    EditorItem &ed = entry.editor;
    const QString &type = ed.typeName;

    auto pairWithText = [&ed]() -> const ValuePair * {
        for (const ValuePair &pair : qAsConst(ed.entries)) {
            if (pair.first == ed.value)
                return &pair;
        }
        return nullptr;
    };
    auto refuse = [&out](const QString &why) {
        out.valid = false;
        out.error = why;
        return out;
    };

    if (type == booleanKind) {
        // A name of the choice, or IO-Link's own words for the two values.
        const ValuePair *pair = pairWithText();
        const QString word = (pair ? pair->second : ed.value).trimmed().toLower();
        if (word == trueText || word == QLatin1String("1"))
            out.raw = 1;
        else if (word == falseText || word == QLatin1String("0"))
            out.raw = 0;
        else
            return refuse(QStringLiteral("no entry \"%1\"").arg(ed.value));
    } else if (isNumberType(type)) {
        // A name stands for its value; anything else must be a number in
        // display units (or a "0x"/"0b" pattern), checked against the type.
        if (const ValuePair *pair = pairWithText()) {
            if (type == float32Kind) {
                bool ok = false;
                const float f = pair->second.trimmed().toFloat(&ok);
                if (!ok)
                    return refuse(QStringLiteral("entry value \"%1\" is not a number").arg(pair->second));
                out.raw = bitsFromFloat(f);
            } else {
                out.raw = toRawOrZero(pair->second);
            }
        } else if (quint64 pattern = 0;
                   type != float32Kind && NumberText::parsePattern(ed.value, itemBitLength(entry), &pattern)) {
            out.raw = pattern;
        } else {
            const NumberText::Presentation p = NumberText::presentationOf(entry);
            const NumberText::Parsed v = type == float32Kind
                ? NumberText::parseFloat(ed.value, p)
                : NumberText::parseInteger(ed.value, integerRangeOf(entry), p);
            if (!v.ok)
                return refuse(v.error);
            out.raw = type == float32Kind ? bitsFromFloat(v.value) : v.raw;
        }
    } else if (isTimeType(type)) {
        qint64 span = 0;
        const bool ok = type == QLatin1String(IoddKind::TimeT) ? NumberText::parseTime(ed.value, &out.raw)
                                                               : NumberText::parseTimeSpan(ed.value, &span);
        if (!ok)
            return refuse(type == QLatin1String(IoddKind::TimeT) ? QStringLiteral("not a time (2024-08-24T10:20:30)")
                                                                 : QStringLiteral("not a time span (PT1.5S)"));
        if (type == QLatin1String(IoddKind::TimeSpanT))
            out.raw = quint64(span);
    } else if (type == stringKind) {
        out.octets = stringOctets(entry, RecordImage::dataSize);
        out.hasOctets = true;
    } else if (type == octetStringKind) {
        if (!octetsFromHex(entry, &out.octets))
            return refuse(QStringLiteral("not hex octets"));
        out.octets = out.octets.left(RecordImage::dataSize);
        out.hasOctets = true;
    } else {
        // A record or array as a whole, an unknown type: not written.
        return refuse(QStringLiteral("cannot be written"));
    }
    ed.flag = falseText;
    return out;
}

QByteArray RecordImage::bytes() const
{
    return QByteArray(reinterpret_cast<const char *>(data.data()), dataSize);
}

RecordImage startRecordImage(const ValueItem &entry)
{
    RecordImage image;
    const int L = variableBitLength(entry);
    image.length = std::min(L > 0 ? fieldBits(L) / 8 : (itemBitLength(entry) + 7) / 8, int(RecordImage::dataSize));
    return image;
}

bool placeInRecordImage(ValueItem &entry, RecordImage &image)
{
    if (!isWritable(entry))
        return false;
    const EncodedValue value = encode(entry);
    if (!value.valid)
        return false;

    const QString &type = entry.editor.typeName;
    const int L = variableBitLength(entry);
    if (type == booleanKind) {
        if (isLoneBoolean(entry)) {
            image.data[0] = value.raw ? 0xFF : 0x00;
        } else if (value.raw == 1) {
            insertBits(image.data.data(), RecordImage::dataSize, fieldBits(L), booleanPosition(entry), 1, 1);
        }
    } else if (value.hasOctets && inRecord(entry)) {
        const int k = stringOctetCount(entry);
        const int start = stringStart(entry, k);
        copyInto(image, start, value.octets.left(k));
    } else if (type == stringKind) {
        copyInto(image, 0, value.octets);
        image.length = value.octets.size();
    } else if (type == octetStringKind) {
        const int k = fixedLengthOf(entry);
        const int s = std::max((subindexOf(entry) - 1) * k, 0);
        copyInto(image, s, value.octets);
        image.length = std::max(image.length, std::min(s + int(value.octets.size()), int(RecordImage::dataSize)));
    } else {
        const int n = itemBitLength(entry);
        int totalBits, offset;
        numberField(entry, &totalBits, &offset);
        insertBits(image.data.data(), RecordImage::dataSize, totalBits, offset, n, lowBits(value.raw, n));
    }
    return true;
}

bool buildSingleItemImage(ValueItem &entry, RecordImage &image)
{
    if (!isWritable(entry))
        return false;
    const EncodedValue value = encode(entry);
    if (!value.valid)
        return false;

    image = RecordImage();
    const QString &type = entry.editor.typeName;
    if (value.hasOctets) {
        copyInto(image, 0, value.octets);
        image.length = value.octets.size();
        return true;
    }
    if (type == booleanKind) {
        // Alone, a BooleanT fills an octet.
        image.length = 1;
        image.data[0] = value.raw ? 0xFF : 0x00;
        return true;
    }
    const int n = itemBitLength(entry);
    const int octets = (n + 7) / 8;
    image.length = octets;
    insertBits(image.data.data(), RecordImage::dataSize, 8 * octets, 0, n, lowBits(value.raw, n));
    return true;
}

void clearInRecordImage(const ValueItem &entry, RecordImage &image)
{
    const QString &type = entry.editor.typeName;
    const int L = variableBitLength(entry);
    auto clearOctets = [&image](int start, int count) {
        for (int i = std::max(start, 0); i < std::min(start + count, int(RecordImage::dataSize)); ++i)
            image.data[size_t(i)] = 0;
    };
    auto clearBits = [&image](int totalBits, int offset, int count) {
        quint8 mask[RecordImage::dataSize] = {};
        insertBits(mask, RecordImage::dataSize, totalBits, offset, count, ~quint64(0));
        for (int i = 0; i < RecordImage::dataSize; ++i)
            image.data[size_t(i)] = quint8(image.data[size_t(i)] & ~mask[i]);
    };
    if (type == booleanKind) {
        if (isLoneBoolean(entry))
            image.data[0] = 0;
        else
            clearBits(fieldBits(L), booleanPosition(entry), 1);
    } else if ((type == stringKind || type == octetStringKind) && inRecord(entry)) {
        const int k = stringOctetCount(entry);
        clearOctets(stringStart(entry, k), k);
    } else if (type == octetStringKind) {
        const int k = fixedLengthOf(entry);
        clearOctets(std::max((subindexOf(entry) - 1) * k, 0), k);
    } else if (type == stringKind) {
        clearOctets(0, RecordImage::dataSize);
    } else if (isNumberType(type) || isTimeType(type)) {
        int totalBits, offset;
        numberField(entry, &totalBits, &offset);
        clearBits(totalBits, offset, itemBitLength(entry));
    }
}

bool replaceInDeviceData(const QByteArray &deviceData, const QVector<ValueItem *> &entries, RecordImage &image)
{
    if (entries.isEmpty())
        return false;
    image = startRecordImage(*entries.first());
    if (variableBitLength(*entries.first()) > 0)
        std::copy_n(deviceData.constData(), std::min(int(deviceData.size()), int(image.data.size())),
                    reinterpret_cast<char *>(image.data.data()));
    bool placed = true;
    for (ValueItem *entry : entries) {
        clearInRecordImage(*entry, image);
        placed = placeInRecordImage(*entry, image) && placed;
    }
    return placed;
}

QString checkInput(const ValueItem &entry, const QString &text)
{
    ValueItem probe = entry;
    probe.editor.value = text;
    probe.accessRightRestriction = QStringLiteral("rw");
    const EncodedValue value = encode(probe);
    const EditorItem &ed = entry.editor;
    const bool number = isNumberType(ed.typeName);
    if (!value.valid) {
        // Text that is neither one of the names nor a number: say what the entry takes.
        const bool named = !ed.entries.isEmpty() && (number || ed.typeName == booleanKind);
        bool isNumber = false;
        text.trimmed().toDouble(&isNumber);
        return named && !isNumber ? allowedText(entry) : value.error;
    }
    if (ed.typeName == stringKind || ed.typeName == octetStringKind) {
        // Never cut: a text longer than the variable is refused, not shortened.
        const int room = fixedLengthOf(entry) > 0 ? std::min(fixedLengthOf(entry), int(RecordImage::dataSize))
                                                  : int(RecordImage::dataSize);
        QByteArray octets;
        if (ed.typeName == stringKind)
            octets = ed.encoding.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0 ? text.toUtf8()
                                                                                           : text.toLocal8Bit();
        else if (!parseHexOctets(text, &octets) || octets.isEmpty())
            return QCoreApplication::translate("ValueCodec", "应为十六进制字节（0x…）");
        if (octets.size() > room)
            return QCoreApplication::translate("ValueCodec", "超过 %1 个字节").arg(room);
        return QString();
    }
    if (!number)
        return QString();
    // A number is valid when it is one of the named values or lies in one of
    // the ranges; without either, anywhere the type holds.
    const QVector<QPair<QString, QString>> ranges = rangesOf(ed);
    if ((ranges.isEmpty() && ed.entries.isEmpty()) || namedValue(entry, value.raw, itemBitLength(entry)))
        return QString();
    double raw;
    if (ed.typeName == float32Kind)
        raw = double(floatFromBits(value.raw));
    else if (ed.typeName == integerKind)
        raw = double(signExtend(value.raw, itemBitLength(entry)));
    else
        raw = double(lowBits(value.raw, itemBitLength(entry)));
    for (const auto &[lower, upper] : ranges) {
        bool okLow = false, okHigh = false;
        const double low = lower.trimmed().toDouble(&okLow);
        const double high = upper.trimmed().toDouble(&okHigh);
        if (okLow && okHigh && low <= raw && raw <= high)
            return QString();
    }
    if (ranges.size() == 1 && ed.entries.isEmpty()) {
        const bool isFloat = ed.typeName == float32Kind;
        const NumberText::Presentation p = NumberText::presentationOf(entry);
        return QCoreApplication::translate("ValueCodec", "超出范围 %1 … %2")
            .arg(NumberText::limitText(ranges.first().first, isFloat, p),
                 NumberText::limitText(ranges.first().second, isFloat, p));
    }
    return allowedText(entry);
}

} // namespace ValueCodec
