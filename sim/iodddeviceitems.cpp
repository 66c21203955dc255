#include "iodddeviceitems.h"

#include "iodddeviceoctets.h"

namespace IoddDeviceData {

using Scalar = IoddDevice::Scalar;
using Item = IoddDevice::Item;
using Variable = IoddDevice::Variable;

Item arrayElement(const Variable &v, int k)
{
    Item e;
    e.subindex = k;
    e.type = v.type;
    e.offset = v.type.bits * (v.count - k);
    return e;
}

bool findItem(const Variable &v, int subindex, Item *out)
{
    if (v.kind == Variable::Array) {
        if (subindex < 1 || subindex > v.count)
            return false;
        *out = arrayElement(v, subindex);
        return true;
    }
    for (const Item &item : v.items) {
        if (item.subindex == subindex) {
            *out = item;
            return true;
        }
    }
    return false;
}

QList<Item> itemsOf(const Variable &v)
{
    if (v.kind != Variable::Array)
        return v.items;
    QList<Item> items;
    for (int k = 1; k <= v.count; ++k)
        items.append(arrayElement(v, k));
    return items;
}

QByteArray itemOctets(const QByteArray &image, const Item &item)
{
    QByteArray out = extractBits(image, item.offset, item.type.bits);
    if (item.type.kind == Scalar::Integer && bitAt(out, item.type.bits - 1)) {
        for (int i = item.type.bits; i < out.size() * 8; ++i)
            setBit(out, i, true);
    }
    if (item.type.kind == Scalar::String)
        return usedOctets(out);
    return out;
}

} // namespace IoddDeviceData
