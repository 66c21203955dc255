#include "ctlvalues.h"

#include "codec/parameterset.h"
#include "codec/processdatacodec.h"
#include "codec/valuecodec.h"

namespace CtlValues {

bool bySubindex(const ValueItem &entry)
{
    return ValueCodec::usesSingleItemAccess(entry);
}

int itemReadLength(const ValueItem &entry)
{
    return entry.editor.bitLength.toInt() / 8;
}

bool decodeWhole(ValueItem &entry, const QByteArray &data)
{
    entry.editor.value.clear();
    return ValueCodec::decodeRecord(entry, data);
}

bool decodeItem(ValueItem &entry, const QByteArray &data)
{
    entry.editor.value.clear();
    return ValueCodec::decodeSingleItem(entry, data);
}

bool acceptsText(const ValueItem &entry, const QString &text, QString *why)
{
    return ParameterSet::acceptsValue(entry, text, why);
}

bool isWritable(const ValueItem &entry)
{
    return ValueCodec::isWritable(entry);
}

bool encodeWhole(QList<ValueItem> &entries, QByteArray *data)
{
    if (entries.isEmpty())
        return false;
    ValueCodec::RecordImage image = ValueCodec::startRecordImage(entries.first());
    if (!ValueCodec::placeInRecordImage(entries.first(), image))
        return false;
    for (int i = 1; i < entries.size(); ++i)
        ValueCodec::placeInRecordImage(entries[i], image);
    *data = image.bytes().left(image.length);
    return true;
}

bool encodeItem(ValueItem &entry, QByteArray *data)
{
    ValueCodec::RecordImage image;
    if (!ValueCodec::buildSingleItemImage(entry, image))
        return false;
    *data = image.bytes().left(image.length);
    return true;
}

int processDataBits(const TreeItem &node)
{
    return ProcessDataCodec::layoutOf(node).bitLength;
}

QVector<ProcessDataItem> decodeProcessData(const TreeItem &node, const QByteArray &data)
{
    const ProcessDataCodec::Layout layout = ProcessDataCodec::layoutOf(node);
    const QVector<ProcessDataCodec::ItemValue> values = ProcessDataCodec::decode(layout, data);
    QVector<ProcessDataItem> items;
    for (int i = 0; i < layout.fields.size() && i < values.size(); ++i) {
        const ProcessDataCodec::Field &field = layout.fields.at(i);
        const ProcessDataCodec::ItemValue &value = values.at(i);
        ProcessDataItem item;
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
