#include "ctlparams.h"

#include "ctlvalues.h"

#include "codec/valuecodec.h"
#include "protocol/isdublock.h"

#include <QMap>

#include <algorithm>

namespace {

quint8 subindexOf(const ValueItem &entry)
{
    return quint8(entry.subindex.toUInt());
}

IsduRequestBlock readRequest(int port, const ValueItem &entry, bool whole)
{
    return whole ? IsduRequestBlock::make(IsduService::read, quint8(port + 1), quint16(entry.index.toUInt()), 0, 0)
                 : IsduRequestBlock::make(IsduService::read, quint8(port + 1), quint16(entry.index.toUInt()),
                                          subindexOf(entry), quint8(CtlValues::itemReadLength(entry)));
}

IsduRequestBlock writeRequest(int port, quint16 index, quint8 subindex, const QByteArray &data)
{
    const int length = std::min(int(data.size()), IsduRequestBlock::maxData);
    IsduRequestBlock block =
        IsduRequestBlock::make(IsduService::write, quint8(port + 1), index, subindex, quint8(length));
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
    ModbusLink *link;
    int port;
    QVector<ParameterRow> *rows;
    QMap<QString, CtlReply> wholeReads; // by index text

    bool read(const TreeItem &menu)
    {
        for (const ValueItem &value : menu.values) {
            if (!value.accessRightRestriction.contains(QLatin1Char('r')))
                continue;
            ParameterRow row;
            row.menu = menu.name.isEmpty() ? menu.text : menu.name;
            row.entry = value;
            const bool whole = !CtlValues::bySubindex(value);
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
                const bool decoded = whole ? CtlValues::decodeWhole(row.entry, row.octets)
                                           : CtlValues::decodeItem(row.entry, row.octets);
                if (!decoded)
                    row.reply = tooShort(row.reply);
            }
            rows->append(row);
        }
        for (const TreeItem &child : menu.children) {
            if (!read(child))
                return false;
        }
        return true;
    }
};

void collect(const TreeItem &menu, quint16 index, QList<ValueItem> *out)
{
    for (const ValueItem &value : menu.values) {
        if (value.index.isEmpty() || quint16(value.index.toUInt()) != index)
            continue;
        const bool known = std::any_of(out->cbegin(), out->cend(), [&value](const ValueItem &e) {
            return e.subindex == value.subindex && e.label == value.label;
        });
        if (!known)
            out->append(value);
    }
    for (const TreeItem &child : menu.children)
        collect(child, index, out);
}

} // namespace

bool readParameters(ModbusLink *link, int port, const QList<TreeItem> &menus, QVector<ParameterRow> *rows)
{
    MenuReader reader{link, port, rows, {}};
    for (const TreeItem &menu : menus) {
        if (!reader.read(menu))
            return false;
    }
    return true;
}

QList<ValueItem> entriesOfIndex(const QList<TreeItem> &menus, quint16 index)
{
    QList<ValueItem> entries;
    for (const TreeItem &menu : menus)
        collect(menu, index, &entries);
    return entries;
}

bool writeParameter(ModbusLink *link, int port, QList<ValueItem> variable, int target, const QString &text,
                    ParameterWrite *out)
{
    const quint16 index = quint16(variable.at(target).index.toUInt());
    if (CtlValues::bySubindex(variable.at(target))) {
        ValueItem &entry = variable[target];
        entry.editor.value = text;
        if (!CtlValues::encodeItem(entry, &out->octets))
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
        for (ValueItem &other : variable) {
            if (!CtlValues::decodeWhole(other, out->reply.data)) {
                out->result = ParameterWrite::ReadFailed;
                out->reply = tooShort(out->reply);
                return true;
            }
        }
    }
    variable[target].editor.value = text;
    // The entry set goes first: it gives the image its length.
    variable.move(target, 0);
    if (!CtlValues::encodeWhole(variable, &out->octets))
        return true;
    out->result = ParameterWrite::Written;
    out->reply = ctlIsdu(link, writeRequest(port, index, 0, out->octets));
    return !out->reply.linkFailed;
}

namespace {

// The menus with only the entries of `indexes`; submenus kept for their entries.
QList<TreeItem> onlyIndexes(QList<TreeItem> menus, const QSet<int> &indexes)
{
    for (TreeItem &menu : menus) {
        QList<ValueItem> kept;
        for (const ValueItem &value : qAsConst(menu.values)) {
            if (indexes.contains(int(value.index.toUInt())))
                kept.append(value);
        }
        menu.values = kept;
        menu.children = onlyIndexes(menu.children, indexes);
    }
    return menus;
}

QString readError(const CtlReply &reply)
{
    return reply.errorCode.isEmpty() || !reply.hasErrorCode ? reply.errorText
                                                            : reply.errorCode + QLatin1Char(' ') + reply.errorText;
}

} // namespace

bool readDeviceValues(ModbusLink *link, int port, const QList<TreeItem> &menus, const QSet<int> &indexes,
                      DeviceValues *out)
{
    QVector<ParameterRow> rows;
    if (!readParameters(link, port, indexes.isEmpty() ? menus : onlyIndexes(menus, indexes), &rows))
        return false;
    QHash<QString, int> position; // by index:subindex; -1 for one without a value
    for (const ParameterRow &row : qAsConst(rows)) {
        if (row.entry.editor.widgetClass == QLatin1String(EditorWidget::PushButton))
            continue;
        const ParameterSet::Entry e = ParameterSet::entryOf(row.entry, row.octets);
        const auto known = position.constFind(e.key());
        if (known != position.constEnd()) {
            if (known.value() >= 0)
                out->entries[known.value()].writable = out->entries.at(known.value()).writable || e.writable;
            continue;
        }
        if (!row.reply.ok) {
            position.insert(e.key(), -1);
            out->failed.insert(e.key(), readError(row.reply));
            continue;
        }
        position.insert(e.key(), int(out->entries.size()));
        out->entries.append(e);
        if (!CtlValues::bySubindex(row.entry))
            out->variables.insert(e.index, row.octets);
    }
    return true;
}

bool writeSetEntries(ModbusLink *link, int port, const QList<TreeItem> &menus,
                     const ParameterSet::Comparison &comparison, const DeviceValues &device, QVector<SetWrite> *writes,
                     QVector<SetSkip> *skipped)
{
    // The rows to write, per variable in index order.
    QMap<int, QVector<ParameterSet::Entry>> byIndex;
    for (const ParameterSet::Row &row : comparison.rows) {
        if (row.proposed())
            byIndex[row.file.index].append(row.file);
        else if (row.state == ParameterSet::RowState::Different)
            skipped->append({row.file, QStringLiteral("not writable")});
    }
    QList<int> order = byIndex.keys();
    std::stable_partition(order.begin(), order.end(), [](int index) { return !ParameterSet::writtenLast(index); });
    for (const int index : qAsConst(order)) {
        const auto it = byIndex.constFind(index);
        QList<ValueItem> variable = entriesOfIndex(menus, quint16(it.key()));
        QVector<ValueItem *> changed;
        for (const ParameterSet::Entry &wanted : it.value()) {
            ValueItem *item = nullptr;
            for (ValueItem &candidate : variable) {
                if (!item && int(candidate.subindex.toUInt()) == wanted.subindex
                    && candidate.editor.widgetClass != QLatin1String(EditorWidget::PushButton))
                    item = &candidate;
            }
            QString why;
            if (!item) {
                skipped->append({wanted, QStringLiteral("not in the description's menus")});
            } else if (!ParameterSet::acceptsValue(*item, wanted.value, &why)) {
                skipped->append({wanted, why});
            } else {
                item->editor.value = wanted.value;
                changed.append(item);
            }
        }
        if (changed.isEmpty())
            continue;
        if (CtlValues::bySubindex(*changed.first())) {
            for (ValueItem *item : qAsConst(changed)) {
                SetWrite w{it.key(), int(item->subindex.toUInt()), {item->label}, {}, {}};
                if (!CtlValues::encodeItem(*item, &w.octets)) {
                    skipped->append({ParameterSet::entryOf(*item, {}), QStringLiteral("cannot be encoded")});
                    continue;
                }
                w.reply = ctlIsdu(link, writeRequest(port, quint16(w.index), quint8(w.subindex), w.octets));
                if (w.reply.linkFailed)
                    return false;
                writes->append(w);
            }
            continue;
        }
        // The variable as the device sent it, with the changed entries replaced.
        ValueCodec::RecordImage image;
        if (!ValueCodec::replaceInDeviceData(device.variables.value(it.key()), changed, image)) {
            for (const ValueItem *item : qAsConst(changed))
                skipped->append({ParameterSet::entryOf(*item, {}), QStringLiteral("cannot be encoded")});
            continue;
        }
        SetWrite w{it.key(), 0, {}, image.bytes().left(image.length), {}};
        for (const ValueItem *item : qAsConst(changed))
            w.labels << item->label;
        w.reply = ctlIsdu(link, writeRequest(port, quint16(w.index), 0, w.octets));
        if (w.reply.linkFailed)
            return false;
        writes->append(w);
    }
    return true;
}
