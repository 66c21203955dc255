#include "ctlvalues.h"

#include "codec/parameterset.h"
#include "codec/processdatacodec.h"
#include "codec/valuecodec.h"

namespace CtlValues {

bool acceptsText(const ValueItem &entry, const QString &text, QString *why)
{
    return ParameterSet::acceptsValue(entry, text, why);
}

bool isWritable(const ValueItem &entry)
{
    return ValueCodec::isWritable(entry);
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
