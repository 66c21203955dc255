#include "ctlparams.h"

#include "ctlvalues.h"

#include "protocol/isdublock.h"

#include <QMap>

#include <algorithm>

namespace {

quint8 subindexOf(const valueItem &entry)
{
    return quint8(entry.subindex.toUInt());
}

IsduRequestBlock readRequest(int port, const valueItem &entry, bool whole)
{
    return whole ? IsduRequestBlock::make(isduservice::read, quint8(port + 1), quint16(entry.index.toUInt()), 0, 0)
                 : IsduRequestBlock::make(isduservice::read, quint8(port + 1), quint16(entry.index.toUInt()),
                                          subindexOf(entry), quint8(ctlValues::itemReadLength(entry)));
}

IsduRequestBlock writeRequest(int port, quint16 index, quint8 subindex, const QByteArray &data)
{
    const int length = std::min(int(data.size()), IsduRequestBlock::maxData);
    IsduRequestBlock block =
        IsduRequestBlock::make(isduservice::write, quint8(port + 1), index, subindex, quint8(length));
    std::copy(data.cbegin(), data.cbegin() + length, block.data());
    return block;
}

// A read that answered, but with data the entry does not fit in.
CtlReply tooShort(const CtlReply &read)
{
    CtlReply reply = read;
    reply.ok = false;
    reply.hasErrorCode = false;
    reply.errorText = QStringLiteral("The data read is too short for the entry");
    return reply;
}

struct MenuReader
{
    myModbus *link;
    int port;
    QVector<ParameterRow> *rows;
    QMap<QString, CtlReply> wholeReads; // by index text

    bool read(const treeItem &menu)
    {
        for (const valueItem &value : menu.values) {
            if (!value.accessRightRestriction.contains(QLatin1Char('r')))
                continue;
            ParameterRow row;
            row.menu = menu.name.isEmpty() ? menu.text : menu.name;
            row.entry = value;
            const bool whole = !ctlValues::bySubindex(value);
            if (whole && wholeReads.contains(value.index)) {
                row.reply = wholeReads.value(value.index);
            } else {
                row.reply = ctlIsdu(link, readRequest(port, value, whole), whole);
                if (row.reply.linkFailed)
                    return false;
                if (whole)
                    wholeReads.insert(value.index, row.reply);
            }
            if (row.reply.ok) {
                row.octets = row.reply.data;
                const bool decoded = whole ? ctlValues::decodeWhole(row.entry, row.octets)
                                           : ctlValues::decodeItem(row.entry, row.octets);
                if (!decoded)
                    row.reply = tooShort(row.reply);
            }
            rows->append(row);
        }
        for (const treeItem &child : menu.children) {
            if (!read(child))
                return false;
        }
        return true;
    }
};

void collect(const treeItem &menu, quint16 index, QList<valueItem> *out)
{
    for (const valueItem &value : menu.values) {
        if (value.index.isEmpty() || quint16(value.index.toUInt()) != index)
            continue;
        const bool known = std::any_of(out->cbegin(), out->cend(), [&value](const valueItem &e) {
            return e.subindex == value.subindex && e.label == value.label;
        });
        if (!known)
            out->append(value);
    }
    for (const treeItem &child : menu.children)
        collect(child, index, out);
}

} // namespace

bool readParameters(myModbus *link, int port, const QList<treeItem> &menus, QVector<ParameterRow> *rows)
{
    MenuReader reader{link, port, rows, {}};
    for (const treeItem &menu : menus) {
        if (!reader.read(menu))
            return false;
    }
    return true;
}

QList<valueItem> entriesOfIndex(const QList<treeItem> &menus, quint16 index)
{
    QList<valueItem> entries;
    for (const treeItem &menu : menus)
        collect(menu, index, &entries);
    return entries;
}

bool writeParameter(myModbus *link, int port, QList<valueItem> variable, int target, const QString &text,
                    ParameterWrite *out)
{
    const quint16 index = quint16(variable.at(target).index.toUInt());
    if (ctlValues::bySubindex(variable.at(target))) {
        valueItem &entry = variable[target];
        entry.editor.value = text;
        if (!ctlValues::encodeItem(entry, &out->octets))
            return true;
        out->result = ParameterWrite::Written;
        out->reply = ctlIsdu(link, writeRequest(port, index, subindexOf(entry), out->octets));
        return !out->reply.linkFailed;
    }
    // The whole variable is written: the other entries keep what the device holds.
    if (variable.size() > 1) {
        out->reply = ctlIsdu(link, readRequest(port, variable.at(target), true), true);
        if (out->reply.linkFailed || !out->reply.ok) {
            out->result = ParameterWrite::ReadFailed;
            return !out->reply.linkFailed;
        }
        for (valueItem &other : variable) {
            if (!ctlValues::decodeWhole(other, out->reply.data)) {
                out->result = ParameterWrite::ReadFailed;
                out->reply = tooShort(out->reply);
                return true;
            }
        }
    }
    variable[target].editor.value = text;
    // The entry set goes first: it gives the image its length.
    variable.move(target, 0);
    if (!ctlValues::encodeWhole(variable, &out->octets))
        return true;
    out->result = ParameterWrite::Written;
    out->reply = ctlIsdu(link, writeRequest(port, index, 0, out->octets));
    return !out->reply.linkFailed;
}
