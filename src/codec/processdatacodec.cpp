#include "processdatacodec.h"

#include "valuecodec.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace processDataCodec {

namespace {

// IO-Link carries at most 32 octets of process data each way; sizes from a
// description are held to that, so no item or layout can overflow.
constexpr int maxBits = 32 * 8;

bool isType(const valueItem &item, const char *kind)
{
    return item.editor.typeName == QLatin1String(kind);
}

bool meansOff(const QString &entryValue)
{
    const QString v = entryValue.trimmed();
    return v == QLatin1String("false") || v == QLatin1String("0");
}

// The entry text for a one-bit value: the pair whose value means the bit.
bool booleanEntryText(const valueItem &item, bool bit, QString *text)
{
    for (const valuePair &pair : item.editor.entries) {
        if (bit ? meansOn(pair.second) : meansOff(pair.second)) {
            *text = pair.first;
            return true;
        }
    }
    return false;
}

template <typename Number, typename Parse>
bool numberEntryText(const valueItem &item, Number v, Parse parse, QString *text)
{
    for (const valuePair &pair : item.editor.entries) {
        if (parse(pair.second) == v) {
            *text = pair.first;
            return true;
        }
    }
    return false;
}

// An entry text when one matches, else the number itself when it lies
// strictly between the limits; otherwise nothing changes.
template <typename Number, typename Parse>
void showNumber(const valueItem &item, Number v, Parse parse, inputValue *out)
{
    QString text;
    if (numberEntryText(item, v, parse, &text)) {
        out->changed = true;
        out->text = text;
    } else if (parse(item.editor.lowerValue) < v && v < parse(item.editor.upperValue)) {
        out->changed = true;
        out->text = QString::number(v);
    }
}

inputValue decodeField(const inputField &field, const QByteArray &pd, int totalBits)
{
    const valueItem &item = field.item;
    const int n = field.bitLength;
    const quint32 v = quint32(valueCodec::extractBits(pd, totalBits, field.position, n));
    inputValue out;

    if (n == 1) {
        out.isBit = true;
        out.bit = v == 1;
        if (item.editor.entries.isEmpty()) {
            out.changed = true;
            out.text = out.bit ? QStringLiteral("true") : QStringLiteral("false");
        } else {
            out.changed = booleanEntryText(item, out.bit, &out.text);
        }
        return out;
    }

    if (isType(item, ioddKind::UIntegerT)) {
        showNumber(
            item, quint64(v), [](const QString &s) { return s.trimmed().toULongLong(); }, &out);
    } else if (isType(item, ioddKind::IntegerT)) {
        const qint64 s = valueCodec::signExtend(v, std::min(n, 32));
        showNumber(
            item, s, [](const QString &t) { return t.trimmed().toLongLong(); }, &out);
    } else if (isType(item, ioddKind::Float32T) && n == 32) {
        float f = 0;
        std::memcpy(&f, &v, sizeof f);
        const QString &lowerText = item.editor.lowerValue;
        const QString &upperText = item.editor.upperValue;
        const bool limited = !lowerText.trimmed().isEmpty() && !upperText.trimmed().isEmpty();
        if (std::isfinite(f) && (!limited || (lowerText.toDouble() < f && f < upperText.toDouble()))) {
            out.changed = true;
            out.text = QString::number(double(f), 'g', 6);
        }
    }
    return out;
}

} // namespace

int itemBitLength(const valueItem &item)
{
    const editorItem &e = item.editor;
    if (!e.bitLength.trimmed().isEmpty())
        return std::clamp(e.bitLength.toInt(), 0, maxBits);
    if (isType(item, ioddKind::Float32T))
        return 32;
    if (isType(item, ioddKind::TimeT) || isType(item, ioddKind::TimeSpanT))
        return 64;
    const int octets = std::clamp(e.fixedLength.toInt(), 0, maxBits / 8);
    if ((isType(item, ioddKind::StringT) || isType(item, ioddKind::OctetStringT)) && octets > 0)
        return 8 * octets;
    return 1;
}

bool meansOn(const QString &entryValue)
{
    const QString v = entryValue.trimmed();
    return v == QLatin1String("true") || v == QLatin1String("1");
}

// ---- input ----------------------------------------------------------------

inputLayout inputLayoutOf(const treeItem &node)
{
    inputLayout layout;
    layout.bitLength = std::clamp(node.text.toInt(), 0, maxBits);
    int position = 0;
    for (const valueItem &item : node.values) {
        inputField field;
        field.item = item;
        field.position = position;
        field.bitLength = itemBitLength(item);
        position += field.bitLength;
        layout.fields.append(field);
    }
    return layout;
}

QString startText(const valueItem &item)
{
    if (isType(item, ioddKind::BooleanT))
        return QStringLiteral("false");
    const double lower = item.editor.lowerValue.toDouble();
    bool ok = false;
    const double g = item.gradient.toDouble(&ok);
    if (!ok || !(g > 0) || g == 1.0)
        return QString::number(std::llround(lower));
    int decimals = 0;
    for (double scaled = g; scaled < 1.0 - 1e-9 && decimals < 15; scaled *= 10)
        ++decimals;
    return QString::number(lower * g, 'f', decimals);
}

QVector<inputValue> decodeInput(const inputLayout &layout, const QByteArray &data)
{
    // Whole registers are read: with an odd octet count the last octet of
    // `data` lies behind the process data, and bit 0 is in the one before it.
    const int pdOctets = (layout.bitLength + 7) / 8;
    const QByteArray pd = pdOctets > 0 && pdOctets < data.size() ? data.left(pdOctets) : data;
    const int totalBits = pd.size() * 8;

    QVector<inputValue> values;
    values.reserve(layout.fields.size());
    for (const inputField &field : layout.fields)
        values.append(decodeField(field, pd, totalBits));
    return values;
}

// ---- output ---------------------------------------------------------------

QByteArray singleValueBlock(quint64 value, int bitLength, int registers)
{
    QByteArray block(2 * std::max(registers, 0), '\0');
    const int bits = std::max(bitLength, 0);
    if (bits < 64)
        value &= (quint64(1) << bits) - 1;
    const int count = std::min(bits / 8 + (bits % 8 != 0), int(block.size()));
    for (int i = 0; i < count; ++i) {
        const int shift = 8 * (count - 1 - i);
        block[i] = shift < 64 ? char((value >> shift) & 0xFF) : '\0';
    }
    return block;
}

QVector<outputBit> recordBits(const QVector<recordChoice> &choices)
{
    QVector<outputBit> bits;
    bits.reserve(choices.size());
    for (const recordChoice &choice : choices)
        bits.append({choice.subindex - 1, choice.shownText == QLatin1String("false") ? 0 : 1});
    std::stable_sort(bits.begin(), bits.end(), [](const outputBit &a, const outputBit &b) { return a.bit < b.bit; });
    return bits;
}

QVector<quint16> recordWords(const QVector<outputBit> &bits, int words)
{
    QVector<quint16> out(std::max(words, 0), 0);
    for (const outputBit &bit : bits) {
        if (bit.value == 1 && bit.bit >= 0 && bit.bit / 16 < out.size())
            out[bit.bit / 16] |= quint16(1u << (bit.bit % 16));
    }
    return out;
}

QString wordsText(const QVector<quint16> &words)
{
    QStringList parts;
    for (quint16 w : words)
        parts << QString::number(w);
    return parts.join(QLatin1Char(','));
}

} // namespace processDataCodec
