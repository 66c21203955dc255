#include "ctlvalues.h"

#include "codec/parameterset.h"
#include "codec/processdatacodec.h"
#include "codec/valuecodec.h"

namespace CtlValues {

bool bySubindex(const valueItem &entry)
{
    return ValueCodec::usesSingleItemAccess(entry);
}

int itemReadLength(const valueItem &entry)
{
    return entry.editor.bitLength.toInt() / 8;
}

bool decodeWhole(valueItem &entry, const QByteArray &data)
{
    entry.editor.value.clear();
    return ValueCodec::decodeRecord(entry, data);
}

bool decodeItem(valueItem &entry, const QByteArray &data)
{
    entry.editor.value.clear();
    return ValueCodec::decodeSingleItem(entry, data);
}

bool acceptsText(const valueItem &entry, const QString &text, QString *why)
{
    return ParameterSet::acceptsValue(entry, text, why);
}

bool isWritable(const valueItem &entry)
{
    return ValueCodec::isWritable(entry);
}

bool encodeWhole(QList<valueItem> &entries, QByteArray *data)
{
    if (entries.isEmpty())
        return false;
    ValueCodec::recordImage image = ValueCodec::startRecordImage(entries.first());
    if (!ValueCodec::placeInRecordImage(entries.first(), image))
        return false;
    for (int i = 1; i < entries.size(); ++i)
        ValueCodec::placeInRecordImage(entries[i], image);
    *data = image.bytes().left(image.length);
    return true;
}

bool encodeItem(valueItem &entry, QByteArray *data)
{
    ValueCodec::recordImage image;
    if (!ValueCodec::buildSingleItemImage(entry, image))
        return false;
    *data = image.bytes().left(image.length);
    return true;
}

int processDataBits(const treeItem &node)
{
    return ProcessDataCodec::layoutOf(node).bitLength;
}

QVector<processDataItem> decodeProcessData(const treeItem &node, const QByteArray &data)
{
    const ProcessDataCodec::layout layout = ProcessDataCodec::layoutOf(node);
    const QVector<ProcessDataCodec::itemValue> values = ProcessDataCodec::decode(layout, data);
    QVector<processDataItem> items;
    for (int i = 0; i < layout.fields.size() && i < values.size(); ++i) {
        const ProcessDataCodec::field &field = layout.fields.at(i);
        const ProcessDataCodec::itemValue &value = values.at(i);
        processDataItem item;
        item.name = field.item.label.isEmpty() ? field.item.editor.name : field.item.label;
        item.subindex = field.item.subindex;
        item.bitOffset = field.bitOffset;
        item.bitLength = field.bitLength;
        item.raw = value.raw;
        item.hasValue = value.ok;
        item.value = value.text;
        item.unit = value.unit;
        items.append(item);
    }
    return items;
}

} // namespace CtlValues
