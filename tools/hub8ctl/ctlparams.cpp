#include "ctlparams.h"

#include "ctlvalues.h"

#include "codec/parameteraccess.h"
#include "codec/valuecodec.h"
#include "log/writejournal.h"
#include "protocol/isdublock.h"

#include <QDateTime>
#include <QMap>

#include <algorithm>
#include <cstdio>

namespace {

IsduRequestBlock readRequest(int port, const ParameterAccess::Request &r)
{
    return IsduRequestBlock::read(quint8(port + 1), r.index, r.subindex);
}

IsduRequestBlock writeRequest(int port, const ParameterAccess::Request &r)
{
    return IsduRequestBlock::write(quint8(port + 1), r.index, r.subindex, r.data);
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

QString requestKey(const ParameterAccess::Request &r)
{
    return QStringLiteral("%1:%2").arg(r.index).arg(r.subindex);
}

struct MenuReader
{
    AdapterLink *link;
    int port;
    QVector<ParameterRow> *rows;
    QMap<QString, CtlReply> reads; // by index:subindex asked

    bool read(const TreeItem &menu)
    {
        for (const ValueItem &value : menu.values) {
            if (!ValueCodec::isReadable(value) || value.editor.widgetClass == QLatin1String(EditorWidget::PushButton))
                continue;
            ParameterRow row;
            row.menu = menu.name.isEmpty() ? menu.text : menu.name;
            row.entry = value;
            const ParameterAccess::Request request = ParameterAccess::readRequestFor(value);
            const QString key = requestKey(request);
            if (reads.contains(key)) {
                row.reply = reads.value(key);
            } else {
                row.reply = ctlIsdu(link, readRequest(port, request), request.subindex == 0);
                if (row.reply.linkFailed)
                    return false;
                reads.insert(key, row.reply);
            }
            if (row.reply.ok) {
                row.octets = row.reply.data;
                row.entry.editor.value.clear();
                if (!ParameterAccess::decode(row.entry, row.octets))
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

bool readParameters(AdapterLink *link, int port, const QList<TreeItem> &menus, QVector<ParameterRow> *rows)
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

namespace {
qint64 journalVendorId = -1, journalDeviceId = -1;
QString journalSerialNumber;
} // namespace

void setJournalDevice(qint64 vendorId, qint64 deviceId, const QString &serialNumber)
{
    journalVendorId = vendorId;
    journalDeviceId = deviceId;
    journalSerialNumber = serialNumber;
}

void journalWrite(int port, const QString &kind, const ParameterAccess::Request &request, const QString &label,
                  const QByteArray &before, const CtlReply &reply)
{
    WriteJournal::Record r = WriteJournal::now(QStringLiteral("hub8ctl"), port + 1, kind);
    r.vendorId = journalVendorId;
    r.deviceId = journalDeviceId;
    r.serialNumber = journalSerialNumber;
    r.index = request.index;
    r.subindex = request.subindex;
    r.label = label;
    r.before = before;
    r.after = request.data;
    r.outcome = reply.linkFailed ? QStringLiteral("no answer")
        : reply.ok               ? QStringLiteral("taken")
                                 : (reply.errorCode + QLatin1Char(' ') + reply.errorText).trimmed();
    QString error;
    if (!WriteJournal::append(r, &error))
        std::fprintf(stderr, "hub8ctl: the write was not recorded in the journal: %s\n", qPrintable(error));
}

bool runDownload(AdapterLink *link, int port, ParameterDownload &download, QVector<CtlReply> *replies,
                 const QHash<QString, QByteArray> &before)
{
    // Journalled once the change is over: a write a block took is undone when the block is not.
    QVector<QPair<ParameterDownload::Step, CtlReply>> sent;
    ParameterDownload::Step step;
    bool linkFailed = false;
    while (!linkFailed && download.next(&step)) {
        const CtlReply reply = ctlIsdu(link, writeRequest(port, step.request));
        sent.append({step, reply});
        linkFailed = reply.linkFailed;
        if (linkFailed)
            break;
        const quint16 code = reply.hasErrorCode && reply.errorCode.startsWith(QLatin1String("0x8"))
            ? quint16(reply.errorCode.mid(2).toUInt(nullptr, 16))
            : 0;
        download.answer(reply.ok, code, reply.errorCode + QLatin1Char(' ') + reply.errorText);
        if (step.kind == ParameterDownload::Kind::Write)
            replies->append(reply);
    }
    for (const auto &[s, reply] : qAsConst(sent)) {
        const bool write = s.kind == ParameterDownload::Kind::Write;
        CtlReply shown = reply;
        if (write && reply.ok && !download.taken(s.write)) {
            shown.ok = false;
            shown.errorCode = QStringLiteral("undone:");
            shown.errorText = QStringLiteral("the block was not applied");
        }
        journalWrite(port, write ? QStringLiteral("parameter") : QStringLiteral("system command"), s.request, QString(),
                     write ? before.value(ParameterSet::keyOf(s.request.index, s.request.subindex)) : QByteArray(),
                     shown);
    }
    return !linkFailed;
}

bool writeParameter(AdapterLink *link, int port, const ValueItem &target, const QString &text,
                    const DownloadPolicy &policy, ParameterWrite *out)
{
    ValueItem entry = target;
    entry.editor.value = text;
    QHash<int, QByteArray> device;
    const ParameterAccess::Request read = ParameterAccess::readRequestFor(entry);
    if (ParameterAccess::readsWholeVariable(entry) && ValueCodec::variableBitLength(entry) > 0
        && ValueCodec::isReadable(entry)) {
        // An item written with its variable: the other items keep what the device holds.
        out->reply = ctlIsdu(link, readRequest(port, read), true);
        if (out->reply.linkFailed || !out->reply.ok) {
            out->result = ParameterWrite::ReadFailed;
            return !out->reply.linkFailed;
        }
        device.insert(read.index, out->reply.data);
    }
    const ParameterAccess::WritePlan plan = ParameterAccess::planWrites({&entry}, device);
    if (plan.writes.isEmpty()) {
        out->result = ParameterWrite::NotEncodable;
        out->why = plan.refused.isEmpty() ? QString() : plan.refused.first().second;
        return true;
    }
    const ParameterAccess::Request &request = plan.writes.first().request;
    out->result = ParameterWrite::Written;
    out->octets = request.data;
    ParameterDownload download({request}, policy.support, policy.store);
    QVector<CtlReply> replies;
    // What the device held, for the journal (a failed read leaves it unknown).
    QHash<QString, QByteArray> before;
    if (device.contains(request.index) && request.subindex == 0) {
        before.insert(ParameterSet::keyOf(request.index, 0), device.value(request.index));
    } else if (ValueCodec::isReadable(entry)) {
        const CtlReply held = ctlIsdu(link, readRequest(port, {request.index, request.subindex, {}}), true);
        if (held.linkFailed) {
            out->reply = held;
            return false;
        }
        if (held.ok)
            before.insert(ParameterSet::keyOf(request.index, request.subindex), held.data);
    }
    if (!runDownload(link, port, download, &replies, before) || replies.isEmpty()) {
        out->reply.linkFailed = true;
        return false;
    }
    out->reply = replies.first();
    out->stored = download.stored();
    return true;
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

bool readDeviceValues(AdapterLink *link, int port, const QList<TreeItem> &menus, const QSet<int> &indexes,
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
        if (ParameterAccess::readsWholeVariable(row.entry))
            out->variables.insert(e.index, row.octets);
    }
    return true;
}

bool writeSetEntries(AdapterLink *link, int port, const QList<TreeItem> &menus,
                     const ParameterSet::Comparison &comparison, const DeviceValues &device,
                     const DownloadPolicy &policy, QVector<SetWrite> *writes, QVector<SetSkip> *skipped,
                     std::optional<ParameterDownload> *outcome)
{
    // The rows to write, per variable in index order.
    QMap<int, QVector<ParameterSet::Entry>> byIndex;
    for (const ParameterSet::Row &row : comparison.rows) {
        if (row.proposed())
            byIndex[row.file.index].append(row.file);
        else if (row.state == ParameterSet::RowState::Different)
            skipped->append({row.file, QStringLiteral("not writable")});
    }
    QVector<ParameterAccess::Request> requests;
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
        // The variable as the device sent it, with the changed entries replaced.
        const ParameterAccess::WritePlan plan = ParameterAccess::planWrites(changed, device.variables);
        for (const auto &[item, why] : plan.refused)
            skipped->append({ParameterSet::entryOf(*item, {}), why});
        for (const ParameterAccess::Write &write : plan.writes) {
            SetWrite w{write.request.index, write.request.subindex, {}, write.request.data, {}, false};
            for (const ValueItem *item : write.entries)
                w.labels << item->label;
            writes->append(w);
            requests.append(write.request);
        }
    }
    // One change: a block when there are several writes, stored at its end.
    ParameterDownload &download = outcome->emplace(requests, policy.support, policy.store);
    // What the device held, for the journal: whole variables, and items read by their own subindex.
    QHash<QString, QByteArray> before;
    for (auto it = device.variables.constBegin(); it != device.variables.constEnd(); ++it)
        before.insert(ParameterSet::keyOf(it.key(), 0), it.value());
    for (const ParameterSet::Entry &e : qAsConst(device.entries)) {
        if (e.subindex != 0 && !device.variables.contains(e.index))
            before.insert(e.key(), e.raw);
    }
    QVector<CtlReply> replies;
    if (!runDownload(link, port, download, &replies, before))
        return false;
    writes->resize(replies.size()); // those after a refused write in a block were not sent
    for (int i = 0; i < replies.size(); ++i) {
        (*writes)[i].reply = replies.at(i);
        (*writes)[i].applied = download.taken(i);
    }
    return true;
}
