#include "valuecodec.h"
#include "log/hub8log.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace valueCodec {

namespace {

const QLatin1String kBoolean(ioddKind::BooleanT);
const QLatin1String kInteger(ioddKind::IntegerT);
const QLatin1String kUInteger(ioddKind::UIntegerT);
const QLatin1String kFloat32(ioddKind::Float32T);
const QLatin1String kString(ioddKind::StringT);
const QLatin1String kOctetString(ioddKind::OctetStringT);
const QLatin1String kComboBox(editorWidget::ComboBox);
const QLatin1String kLineEdit(editorWidget::LineEdit);
const QString kFalse = QStringLiteral("false");
const QString kTrue = QStringLiteral("true");

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
    return type == kInteger || type == kUInteger || type == kFloat32;
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

int bitOffsetOf(const valueItem &entry)
{
    return clamped(entry.editor.bitOffset, 0, maxVariableBits);
}

int subindexOf(const valueItem &entry)
{
    return clamped(entry.subindex, 0, maxSubindex);
}

int fixedLengthOf(const valueItem &entry)
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

// Where a BooleanT entry's bit lies: octet from the start of the data and bit
// inside it. By bit offset inside the variable, or by subindex (subindex 1 is
// bit 0 of octet 0).
void booleanLocation(const valueItem &entry, int *octet, int *bit)
{
    if (entry.subindexAccess == kFalse) {
        const int L = variableBitLength(entry);
        const int o = bitOffsetOf(entry);
        if (L <= 0) {
            // No variable length: the data holds this bit alone.
            *octet = 0;
            *bit = 0;
            return;
        }
        *octet = int(floorDiv(L - 1 - o, 8));
        *bit = o % 8;
        return;
    }
    const int k = std::max(subindexOf(entry) - 1, 0);
    *octet = k / 8;
    *bit = k % 8;
}

// The field a number occupies: with a variable length, the entry's bit offset
// inside it; without one, the entry alone right-aligned in ceil(n/8) octets.
void numberField(const valueItem &entry, int *totalBits, int *offset)
{
    const int L = variableBitLength(entry);
    const int n = itemBitLength(entry);
    if (L > 0) {
        *totalBits = L;
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
    return pairValue == (bit ? kTrue : kFalse);
}

void showBoolean(valueItem &entry, bool bit)
{
    for (const valuePair &pair : qAsConst(entry.editor.entries)) {
        if (booleanPairMatches(pair.second, bit)) {
            entry.editor.value = pair.first;
            entry.editor.flag = kFalse;
            return;
        }
    }
}

// Shows a decoded number. `raw` holds `bits` significant bits.
void showNumber(valueItem &entry, quint64 raw, int bits, bool singleItem)
{
    const QString &type = entry.editor.typeName;
    const qint64 asSigned = signExtend(raw, bits);

    if (entry.editor.widgetClass == kComboBox) {
        for (const valuePair &pair : qAsConst(entry.editor.entries)) {
            bool match;
            if (type == kFloat32)
                match = pair.second.trimmed().toDouble() == double(floatFromBits(raw));
            else if (type == kInteger)
                match = qint64(toRawOrZero(pair.second)) == asSigned;
            else
                match = toRawOrZero(pair.second) == raw;
            if (match) {
                entry.editor.value = pair.first;
                entry.editor.flag = kFalse;
                return;
            }
        }
        return;
    }
    if (entry.editor.widgetClass != kLineEdit)
        return;

    double number;
    if (type == kFloat32)
        number = double(floatFromBits(raw));
    else if (type == kInteger)
        number = double(asSigned);
    else
        number = double(raw);
    number *= scaleFactor(entry);

    if (singleItem && type == kUInteger)
        entry.editor.value = QString::number(number, 'f', 0);
    else
        entry.editor.value = QString::number(number, 'g', 6);
    entry.editor.flag = kFalse;
}

// Strings and the types without a numeric value; the same for both decodes.
void showOctets(valueItem &entry, const QByteArray &data)
{
    const QString &type = entry.editor.typeName;
    if (type == kString) {
        const int zero = data.indexOf('\0');
        const QByteArray text = zero < 0 ? data : data.left(zero);
        if (entry.editor.encoding.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0)
            entry.editor.value = QString::fromUtf8(text);
        else
            entry.editor.value = QString::fromLocal8Bit(text);
        entry.editor.flag = kFalse;
    } else if (type == kOctetString) {
        qCDebug(lcParams) << "OctetStringT bitOffset:" << entry.editor.bitOffset
                          << "bitLength:" << entry.editor.bitLength << "variable bitLength:" << entry.bitLength
                          << "subindex:" << entry.subindex;
        const int k = fixedLengthOf(entry);
        const int s = std::max((subindexOf(entry) - 1) * k, 0);
        const int end = std::min(s + k, int(data.size()));
        const QByteArray element = s < end ? data.mid(s, end - s) : QByteArray();
        // Leaves the modified flag as it is.
        entry.editor.value = QStringLiteral("0x") + QString::fromLatin1(element.toHex());
    }
    // TimeT, TimeSpanT and unknown types: left unchanged.
}

// Octets of an OctetStringT from hex text: an optional "0x", then pairs of
// hex digits; blanks are ignored. Padded with zeros or cut to the fixed length
// when one is given.
bool octetsFromHex(const valueItem &entry, QByteArray *out)
{
    QString text = entry.editor.value;
    text.remove(QLatin1Char(' '));
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text = text.mid(2);
    if (text.size() % 2 != 0)
        return false;
    for (const QChar c : qAsConst(text)) {
        const char16_t u = c.unicode();
        const bool hex = (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
        if (!hex)
            return false;
    }
    QByteArray octets = QByteArray::fromHex(text.toLatin1());
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
QByteArray stringOctets(const valueItem &entry, int limit)
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

// Rounds the scaled text of a line-edit number to the raw integer to send.
quint64 roundedRaw(double x, bool isUnsigned)
{
    if (!std::isfinite(x))
        return 0;
    const double r = std::round(x);
    constexpr double two63 = 9223372036854775808.0;
    if (isUnsigned && r >= two63) {
        constexpr double two64 = 18446744073709551616.0;
        return r >= two64 ? ~quint64(0) : quint64(r);
    }
    if (r >= two63)
        return quint64(std::numeric_limits<qint64>::max());
    if (r < -two63)
        return quint64(std::numeric_limits<qint64>::min());
    return quint64(qint64(r));
}

void copyInto(recordImage &image, int start, const QByteArray &octets)
{
    for (int i = 0; i < octets.size(); ++i) {
        const int at = start + i;
        if (at >= 0 && at < recordImage::dataSize)
            image.data[size_t(at)] = quint8(octets.at(i));
    }
}

} // namespace

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

double scaleFactor(const valueItem &entry)
{
    bool ok = false;
    const double g = entry.gradient.trimmed().toDouble(&ok);
    return (ok && std::isfinite(g) && g > 0) ? g : 1.0;
}

int itemBitLength(const valueItem &entry)
{
    if (entry.editor.typeName == kFloat32)
        return 32;
    const int n = toIntOrZero(entry.editor.bitLength);
    return n > 0 ? std::min(n, maxNumberBits) : 8;
}

int variableBitLength(const valueItem &entry)
{
    return clamped(entry.bitLength, 0, maxVariableBits);
}

bool usesSingleItemAccess(const valueItem &entry)
{
    return variableBitLength(entry) >= singleItemThreshold;
}

bool isWritable(const valueItem &entry)
{
    return entry.accessRightRestriction == QLatin1String("rw");
}

// ---- decode ---------------------------------------------------------------

void decodeRecord(valueItem &entry, const QByteArray &data)
{
    const int L = variableBitLength(entry);
    if (L / 8 > data.size())
        return;

    const QString &type = entry.editor.typeName;
    if (type == kBoolean) {
        int octet, bit;
        booleanLocation(entry, &octet, &bit);
        const bool set = octet >= 0 && octet < data.size() && (quint8(data.at(octet)) >> bit) & 1;
        showBoolean(entry, set);
    } else if (isNumberType(type)) {
        const int n = itemBitLength(entry);
        int totalBits, offset;
        numberField(entry, &totalBits, &offset);
        showNumber(entry, extractBits(data, totalBits, offset, n), std::min(n, 64), false);
    } else {
        showOctets(entry, data);
    }
}

void decodeSingleItem(valueItem &entry, const QByteArray &data)
{
    const QString &type = entry.editor.typeName;
    if (type == kBoolean) {
        showBoolean(entry, !data.isEmpty() && quint8(data.at(0)) == 1);
    } else if (isNumberType(type)) {
        const int m = std::min(4, int(data.size()));
        quint64 raw = 0;
        for (int i = 0; i < m; ++i)
            raw = (raw << 8) | quint8(data.at(i));
        showNumber(entry, raw, 8 * m, true);
    } else {
        showOctets(entry, data);
    }
}

QString defaultText(const valueItem &entry)
{
    const QStringList parts = entry.displayFormat.split(QLatin1Char('.'));
    if (entry.gradient.isEmpty() || parts.size() < 2 || parts.at(0) != QLatin1String("Dec"))
        return entry.defaultValue;
    const double value = double(entry.defaultValue.trimmed().toLongLong()) * scaleFactor(entry);
    const int decimals = std::clamp(parts.at(1).trimmed().toInt(), 0, maxDecimals);
    return QString::number(value, 'f', decimals);
}

// ---- encode ---------------------------------------------------------------

encodedValue encode(valueItem &entry)
{
    encodedValue out;
    editorItem &ed = entry.editor;
    const QString &type = ed.typeName;

    auto pairWithText = [&ed]() -> const valuePair * {
        for (const valuePair &pair : qAsConst(ed.entries)) {
            if (pair.first == ed.value)
                return &pair;
        }
        return nullptr;
    };

    if (type == kBoolean) {
        const valuePair *pair = pairWithText();
        out.raw = (pair && (pair->second == kTrue || pair->second == QLatin1String("1"))) ? 1 : 0;
    } else if (type == kInteger || type == kUInteger) {
        if (ed.widgetClass == kComboBox) {
            const valuePair *pair = pairWithText();
            out.raw = pair ? toRawOrZero(pair->second) : 0;
        } else if (ed.widgetClass == kLineEdit) {
            const double x = ed.value.trimmed().toDouble() / scaleFactor(entry);
            out.raw = roundedRaw(x, type == kUInteger);
        } else {
            // A number the table can neither show nor edit is not written.
            out.valid = false;
            return out;
        }
    } else if (type == kFloat32) {
        double x = ed.value.trimmed().toDouble();
        if (ed.widgetClass == kComboBox) {
            // The combo shows a name; the number it stands for is its value.
            if (const valuePair *pair = pairWithText())
                x = pair->second.trimmed().toDouble();
        }
        out.raw = bitsFromFloat(float(x / scaleFactor(entry)));
    } else if (type == kString) {
        out.octets = stringOctets(entry, recordImage::dataSize);
        out.hasOctets = true;
    } else if (type == kOctetString) {
        if (!octetsFromHex(entry, &out.octets)) {
            out.valid = false;
            return out;
        }
        out.octets = out.octets.left(recordImage::dataSize);
        out.hasOctets = true;
    } else {
        out.valid = false;
        return out;
    }
    ed.flag = kFalse;
    return out;
}

QByteArray recordImage::bytes() const
{
    return QByteArray(reinterpret_cast<const char *>(data.data()), dataSize);
}

recordImage startRecordImage(const valueItem &entry)
{
    recordImage image;
    const int L = variableBitLength(entry);
    image.length = L > 0 ? L / 8 : itemBitLength(entry) / 8;
    return image;
}

bool placeInRecordImage(valueItem &entry, recordImage &image)
{
    if (!isWritable(entry))
        return false;
    const encodedValue value = encode(entry);
    if (!value.valid)
        return false;

    const QString &type = entry.editor.typeName;
    if (type == kBoolean) {
        if (value.raw == 1) {
            int octet, bit;
            booleanLocation(entry, &octet, &bit);
            if (octet >= 0 && octet < recordImage::dataSize)
                image.data[size_t(octet)] = quint8(image.data[size_t(octet)] | (1u << bit));
        }
    } else if (type == kString) {
        copyInto(image, 0, value.octets);
        image.length = value.octets.size();
    } else if (type == kOctetString) {
        const int k = fixedLengthOf(entry);
        const int s = std::max((subindexOf(entry) - 1) * k, 0);
        copyInto(image, s, value.octets);
        image.length = std::max(image.length, std::min(s + int(value.octets.size()), int(recordImage::dataSize)));
    } else {
        const int n = itemBitLength(entry);
        int totalBits, offset;
        numberField(entry, &totalBits, &offset);
        insertBits(image.data.data(), recordImage::dataSize, totalBits, offset, n, lowBits(value.raw, n));
    }
    return true;
}

bool buildSingleItemImage(valueItem &entry, recordImage &image)
{
    if (!isWritable(entry))
        return false;
    const encodedValue value = encode(entry);
    if (!value.valid)
        return false;

    image = recordImage();
    const QString &type = entry.editor.typeName;
    const int n = itemBitLength(entry);
    if (value.hasOctets) {
        copyInto(image, 0, value.octets);
        image.length = value.octets.size();
        return true;
    }
    image.length = n / 8;
    if (type == kBoolean) {
        // The data holds this value alone, as a single-item read returns it.
        image.data[0] = quint8(value.raw & 1);
    } else {
        insertBits(image.data.data(), recordImage::dataSize, n, 0, n, lowBits(value.raw, n));
    }
    return true;
}

} // namespace valueCodec
