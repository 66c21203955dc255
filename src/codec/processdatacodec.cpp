#include "processdatacodec.h"

#include "numbertext.h"
#include "valuecodec.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>

namespace ProcessDataCodec {

namespace {

bool isType(const ValueItem &item, const char *kind)
{
    return item.editor.typeName == QLatin1String(kind);
}

bool isString(const ValueItem &item)
{
    return isType(item, IoddKind::StringT) || isType(item, IoddKind::OctetStringT);
}

bool meansOff(const QString &entryValue)
{
    const QString v = entryValue.trimmed();
    return v == QLatin1String("false") || v == QLatin1String("0");
}

// The entry whose value stands for `raw`, by the item's type.
const ValuePair *entryFor(const ValueItem &item, quint64 raw, int bits)
{
    for (const ValuePair &pair : item.editor.entries) {
        const QString v = pair.second.trimmed();
        bool match = false;
        if (isType(item, IoddKind::BooleanT))
            match = raw ? meansOn(v) : meansOff(v);
        else if (isType(item, IoddKind::IntegerT))
            match = v.toLongLong() == ValueCodec::signExtend(raw, bits);
        else if (isType(item, IoddKind::Float32T)) {
            float f;
            const quint32 b = quint32(raw);
            std::memcpy(&f, &b, sizeof f);
            match = v.toFloat() == f;
        } else
            match = v.toULongLong() == raw;
        if (match)
            return &pair;
    }
    return nullptr;
}

float floatOf(quint64 raw)
{
    float f;
    const quint32 b = quint32(raw);
    std::memcpy(&f, &b, sizeof f);
    return f;
}

// The octets of a byte-aligned item, most significant first.
QByteArray octetsAt(const QByteArray &pd, int bitOffset, int bitLength)
{
    const int k = bitLength / 8;
    const int start = pd.size() - bitOffset / 8 - k;
    return pd.mid(start, k);
}

// The texts of this file, translated in the context "ProcessDataCodec".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(ProcessDataCodec)
};

} // namespace

int itemBitLength(const ValueItem &item)
{
    const EditorItem &e = item.editor;
    if (!e.bitLength.trimmed().isEmpty())
        return std::clamp(e.bitLength.toInt(), 0, maxBits);
    if (isType(item, IoddKind::Float32T))
        return 32;
    if (isType(item, IoddKind::TimeT) || isType(item, IoddKind::TimeSpanT))
        return 64;
    const int octets = std::clamp(e.fixedLength.toInt(), 0, maxOctets);
    if (isString(item) && octets > 0)
        return 8 * octets;
    return 1;
}

bool meansOn(const QString &entryValue)
{
    const QString v = entryValue.trimmed();
    return v == QLatin1String("true") || v == QLatin1String("1");
}

Layout layoutOf(const TreeItem &node)
{
    Layout l;
    l.bitLength = std::clamp(node.text.toInt(), 0, maxBits);
    for (const ValueItem &item : node.values) {
        Field f;
        f.item = item;
        f.bitOffset = std::clamp(item.editor.bitOffset.toInt(), 0, maxBits);
        f.bitLength = itemBitLength(item);
        // One simple type for the whole process data fills it.
        if (node.values.size() == 1 && item.editor.bitOffset.trimmed().isEmpty()
            && item.editor.bitLength.trimmed().isEmpty() && !isType(item, IoddKind::BooleanT)
            && !isType(item, IoddKind::Float32T) && !isString(item))
            f.bitLength = l.bitLength;
        l.fields.append(f);
    }
    return l;
}

QByteArray processDataOctets(const Layout &l, const QByteArray &registers)
{
    const int octets = (l.bitLength + 7) / 8;
    return octets > 0 && octets < registers.size() ? registers.left(octets) : registers;
}

QString missingText()
{
    return Texts::tr("无数据");
}

ItemValue decodeItem(const Field &f, const QByteArray &pd)
{
    const ValueItem &item = f.item;
    ItemValue out;
    out.unit = item.unit;
    const int totalBits = 8 * int(pd.size());
    if (f.bitLength <= 0 || f.bitOffset + f.bitLength > totalBits) {
        out.text = missingText();
        return out;
    }
    out.ok = true;

    if (isString(item)) {
        const QByteArray octets = octetsAt(pd, f.bitOffset, f.bitLength);
        out.raw = QString::fromLatin1(octets.toHex(' '));
        if (isType(item, IoddKind::OctetStringT)) {
            out.text = QStringLiteral("0x") + QString::fromLatin1(octets.toHex());
        } else {
            const int zero = octets.indexOf('\0');
            const QByteArray text = zero < 0 ? octets : octets.left(zero);
            const bool utf8 = item.editor.encoding.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0;
            out.text = utf8 ? QString::fromUtf8(text) : QString::fromLatin1(text);
        }
        return out;
    }

    const int n = std::min(f.bitLength, 64);
    const quint64 raw = ValueCodec::extractBits(pd, totalBits, f.bitOffset, n);
    const NumberText::Presentation p = NumberText::presentationOf(item);

    if (isType(item, IoddKind::BooleanT) || n == 1) {
        out.isBit = true;
        out.bit = raw != 0;
    }
    if (isType(item, IoddKind::Float32T) && n == 32) {
        out.raw = NumberText::floatText(floatOf(raw), {});
    } else if (isType(item, IoddKind::IntegerT)) {
        out.raw = QString::number(ValueCodec::signExtend(raw, n));
    } else {
        out.raw = QString::number(raw);
    }

    if (const ValuePair *pair = entryFor(item, raw, n)) {
        out.text = pair->first;
        out.unit.clear();
    } else if (isType(item, IoddKind::BooleanT)) {
        out.text = out.bit ? QStringLiteral("true") : QStringLiteral("false");
    } else if (isType(item, IoddKind::Float32T) && n == 32) {
        out.text = NumberText::floatText(floatOf(raw), p);
    } else if (isType(item, IoddKind::IntegerT) || isType(item, IoddKind::UIntegerT)) {
        out.text = NumberText::integerText(raw, {isType(item, IoddKind::IntegerT), n}, p);
    } else {
        // TimeT and types without a reading of their own: the raw value.
        out.text = out.raw;
    }
    return out;
}

QVector<ItemValue> decode(const Layout &l, const QByteArray &registers)
{
    const QByteArray pd = processDataOctets(l, registers);
    QVector<ItemValue> values;
    values.reserve(l.fields.size());
    for (const Field &f : l.fields)
        values.append(decodeItem(f, pd));
    return values;
}

// ---- output ---------------------------------------------------------------

QByteArray encode(const Layout &l, const QVector<QString> &inputs, QStringList *errors)
{
    const int octets = (l.bitLength + 7) / 8;
    QByteArray pd(octets, '\0');
    auto *data = reinterpret_cast<quint8 *>(pd.data());
    const int totalBits = 8 * octets;
    auto refuse = [errors](const ValueItem &item, const QString &why) {
        if (errors)
            errors->append(QStringLiteral("%1: %2").arg(item.label, why));
    };

    for (int i = 0; i < l.fields.size() && i < inputs.size(); ++i) {
        const Field &f = l.fields.at(i);
        const ValueItem &item = f.item;
        const QString input = inputs.at(i).trimmed();
        if (input.isEmpty())
            continue;
        if (f.bitLength <= 0 || f.bitOffset + f.bitLength > totalBits) {
            refuse(item, Texts::tr("不在过程数据内"));
            continue;
        }
        const int n = std::min(f.bitLength, 64);

        if (isType(item, IoddKind::BooleanT)) {
            if (meansOn(input))
                ValueCodec::insertBits(data, octets, totalBits, f.bitOffset, 1, 1);
            else if (!meansOff(input))
                refuse(item, Texts::tr("不是布尔值"));
            continue;
        }
        if (isString(item)) {
            QByteArray value;
            if (isType(item, IoddKind::OctetStringT)) {
                QString hex = input;
                hex.remove(QLatin1Char(' '));
                if (hex.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
                    hex = hex.mid(2);
                value = QByteArray::fromHex(hex.toLatin1());
                if (value.toHex() != hex.toLower().toLatin1()) {
                    refuse(item, Texts::tr("不是十六进制"));
                    continue;
                }
            } else {
                value = input.toUtf8();
            }
            const int k = f.bitLength / 8;
            const int start = octets - f.bitOffset / 8 - k;
            value = value.left(k);
            std::copy(value.cbegin(), value.cend(), pd.begin() + start);
            continue;
        }

        // Numbers: an entry's value is the raw value itself; typed text is in display units.
        ValueItem probe = item;
        probe.editor.value = input;
        probe.editor.bitLength = QString::number(n);
        probe.accessRightRestriction = QStringLiteral("rw");
        bool isEntry = false;
        for (const ValuePair &pair : item.editor.entries)
            isEntry = isEntry || pair.second.trimmed() == input;
        if (isEntry) {
            probe.gradient.clear();
            probe.offset.clear();
            probe.displayFormat.clear();
        }
        probe.editor.widgetClass = QLatin1String(EditorWidget::LineEdit);
        const QString why = ValueCodec::checkInput(probe, input);
        if (!why.isEmpty()) {
            refuse(item, why);
            continue;
        }
        const ValueCodec::EncodedValue value = ValueCodec::encode(probe);
        const quint64 raw = n >= 64 ? value.raw : value.raw & ((quint64(1) << n) - 1);
        ValueCodec::insertBits(data, octets, totalBits, f.bitOffset, n, raw);
    }
    return pd;
}

} // namespace ProcessDataCodec
