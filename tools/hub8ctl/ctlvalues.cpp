#include "ctlvalues.h"

#include "codec/processdatacodec.h"
#include "codec/valuecodec.h"

namespace ctlValues {

bool bySubindex(const valueItem &entry)
{
    return valueCodec::usesSingleItemAccess(entry);
}

int itemReadLength(const valueItem &entry)
{
    return entry.editor.bitLength.toInt() / 8;
}

bool decodeWhole(valueItem &entry, const QByteArray &data)
{
    entry.editor.value.clear();
    // The codec leaves an entry unchanged when the data cannot hold its variable.
    if (valueCodec::variableBitLength(entry) / 8 > data.size())
        return false;
    valueCodec::decodeRecord(entry, data);
    return true;
}

bool decodeItem(valueItem &entry, const QByteArray &data)
{
    entry.editor.value.clear();
    if (data.isEmpty())
        return false;
    valueCodec::decodeSingleItem(entry, data);
    return true;
}

bool acceptsText(const valueItem &entry, const QString &text, QString *why)
{
    const editorItem &e = entry.editor;
    if (!e.entries.isEmpty()) {
        QStringList texts;
        for (const valuePair &pair : e.entries)
            texts << pair.first;
        if (texts.contains(text))
            return true;
        *why = QStringLiteral("expected one of: %1").arg(texts.join(QStringLiteral(", ")));
        return false;
    }
    const bool number = e.typeName == QLatin1String(ioddKind::IntegerT)
        || e.typeName == QLatin1String(ioddKind::UIntegerT) || e.typeName == QLatin1String(ioddKind::Float32T);
    bool ok = true;
    if (number)
        text.trimmed().toDouble(&ok);
    if (!ok)
        *why = QStringLiteral("expected a number");
    return ok;
}

bool isWritable(const valueItem &entry)
{
    return valueCodec::isWritable(entry);
}

bool encodeWhole(QList<valueItem> &entries, QByteArray *data)
{
    if (entries.isEmpty())
        return false;
    valueCodec::recordImage image = valueCodec::startRecordImage(entries.first());
    if (!valueCodec::placeInRecordImage(entries.first(), image))
        return false;
    for (int i = 1; i < entries.size(); ++i)
        valueCodec::placeInRecordImage(entries[i], image);
    *data = image.bytes().left(image.length);
    return true;
}

bool encodeItem(valueItem &entry, QByteArray *data)
{
    valueCodec::recordImage image;
    if (!valueCodec::buildSingleItemImage(entry, image))
        return false;
    *data = image.bytes().left(image.length);
    return true;
}

int processDataBits(const treeItem &node)
{
    return processDataCodec::inputLayoutOf(node).bitLength;
}

QVector<processDataItem> decodeProcessData(const treeItem &node, const QByteArray &data)
{
    const processDataCodec::inputLayout layout = processDataCodec::inputLayoutOf(node);
    const QVector<processDataCodec::inputValue> values = processDataCodec::decodeInput(layout, data);
    const int octets = (layout.bitLength + 7) / 8;
    const QByteArray pd = octets > 0 && octets < data.size() ? data.left(octets) : data;
    QVector<processDataItem> items;
    for (int i = 0; i < layout.fields.size() && i < values.size(); ++i) {
        const processDataCodec::inputField &field = layout.fields.at(i);
        processDataItem item;
        item.name = field.item.label.isEmpty() ? field.item.editor.name : field.item.label;
        item.subindex = field.item.subindex;
        item.bitOffset = field.position;
        item.bitLength = field.bitLength;
        item.raw = valueCodec::extractBits(pd, 8 * pd.size(), field.position, qMin(field.bitLength, 64));
        item.hasValue = values.at(i).changed;
        item.value = values.at(i).text;
        item.unit = field.item.unit;
        items.append(item);
    }
    return items;
}

} // namespace ctlValues
