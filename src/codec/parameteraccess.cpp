#include "parameteraccess.h"

#include "parameterset.h"
#include "valuecodec.h"

#include <QMap>

#include <algorithm>

namespace ParameterAccess {

namespace {

quint16 indexOf(const ValueItem &entry)
{
    return quint16(entry.index.toUInt());
}

quint8 subindexOf(const ValueItem &entry)
{
    return quint8(std::clamp(entry.subindex.toInt(), 0, ValueCodec::maxSubindex));
}

// An item inside a record or array, as opposed to a variable of its own.
bool isItem(const ValueItem &entry)
{
    return ValueCodec::variableBitLength(entry) > 0;
}

// An item goes alone, by its subindex, when its variable is too large for
// one request, or allows subindex access and was not read whole; otherwise
// with its variable as last read.
bool writtenAlone(const ValueItem &entry, const QHash<int, QByteArray> &deviceData)
{
    if (!isItem(entry) || ValueCodec::usesSingleItemAccess(entry))
        return true;
    return entry.subindexAccess != QLatin1String("false") && subindexOf(entry) > 0
        && !deviceData.contains(indexOf(entry));
}

QByteArray imageData(const ValueCodec::RecordImage &image)
{
    return image.bytes().left(image.length);
}

} // namespace

Request readRequestFor(const ValueItem &entry)
{
    Request r;
    r.index = indexOf(entry);
    r.subindex = ValueCodec::usesSingleItemAccess(entry) ? subindexOf(entry) : 0;
    return r;
}

bool readsWholeVariable(const ValueItem &entry)
{
    return !ValueCodec::usesSingleItemAccess(entry);
}

bool decode(ValueItem &entry, const QByteArray &data)
{
    return readsWholeVariable(entry) ? ValueCodec::decodeRecord(entry, data)
                                     : ValueCodec::decodeSingleItem(entry, data);
}

WritePlan planWrites(const QVector<ValueItem *> &edited, const QHash<int, QByteArray> &deviceData)
{
    WritePlan plan;
    QMap<int, QVector<ValueItem *>> wholeByIndex; // items written with their variable
    QVector<ValueItem *> alone;                   // variables of their own, items by subindex
    for (ValueItem *entry : edited) {
        if (!ValueCodec::isWritable(*entry)) {
            plan.refused.append({entry, QStringLiteral("not writable")});
            continue;
        }
        // The same limits as the page's editors: the description's names and ranges.
        const QString why = ValueCodec::checkInput(*entry, entry->editor.value);
        if (!why.isEmpty()) {
            plan.refused.append({entry, why});
            continue;
        }
        if (writtenAlone(*entry, deviceData))
            alone.append(entry);
        else
            wholeByIndex[indexOf(*entry)].append(entry);
    }

    QList<int> order = wholeByIndex.keys();
    for (ValueItem *entry : qAsConst(alone)) {
        if (!order.contains(indexOf(*entry)))
            order.append(indexOf(*entry));
    }
    std::sort(order.begin(), order.end());
    std::stable_partition(order.begin(), order.end(), [](int index) { return !ParameterSet::writtenLast(index); });

    for (const int index : qAsConst(order)) {
        const QVector<ValueItem *> items = wholeByIndex.value(index);
        if (!items.isEmpty()) {
            const ValueItem &first = *items.first();
            const int octets = (ValueCodec::variableBitLength(first) + 7) / 8;
            const bool known = deviceData.contains(index);
            QString why;
            if (octets > ValueCodec::RecordImage::dataSize)
                why = QStringLiteral("longer than one mailbox request (%1 octets)").arg(octets);
            else if (!known && ValueCodec::isReadable(first))
                why = QStringLiteral("the variable has not been read");
            ValueCodec::RecordImage image;
            if (why.isEmpty() && !ValueCodec::replaceInDeviceData(deviceData.value(index), items, image))
                why = QStringLiteral("cannot be encoded");
            if (!why.isEmpty()) {
                for (ValueItem *entry : items)
                    plan.refused.append({entry, why});
            } else {
                plan.writes.append({{quint16(index), 0, imageData(image)}, items});
            }
        }
        for (ValueItem *entry : qAsConst(alone)) {
            if (indexOf(*entry) != index)
                continue;
            ValueCodec::RecordImage image;
            if (!ValueCodec::buildSingleItemImage(*entry, image)) {
                plan.refused.append({entry, QStringLiteral("cannot be encoded")});
                continue;
            }
            const quint8 subindex = isItem(*entry) ? subindexOf(*entry) : 0;
            plan.writes.append({{quint16(index), subindex, imageData(image)}, {entry}});
        }
    }
    return plan;
}

Request buttonRequest(const ValueItem &button)
{
    ValueItem command = button;
    command.editor.value = button.buttonValue;
    command.accessRightRestriction = QStringLiteral("rw");
    Request r;
    r.index = indexOf(button);
    r.subindex = subindexOf(button);
    ValueCodec::RecordImage image;
    if (ValueCodec::buildSingleItemImage(command, image))
        r.data = imageData(image);
    return r;
}

} // namespace ParameterAccess
