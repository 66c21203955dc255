#include "ctlcommands.h"

#include "ctlexchange.h"
#include "ctlmqtt.h"
#include "ctlparams.h"
#include "ctlvalues.h"
#include "log/writejournal.h"

#include "codec/parameterset.h"
#include "codec/valuecodec.h"
#include "description/ioddfile.h"
#include "description/ioddheaderreader.h"
#include "description/ioddjson.h"
#include "i18n/uilanguage.h"
#include "link/adapterlink.h"
#include "link/directparameterpage.h"
#include "link/linkhub.h"
#include "link/linkreply.h"
#include "link/portstatusmonitor.h"
#include "log/writejournal.h"
#include "protocol/adapterregisters.h"
#include "protocol/isdublock.h"

#include <QEventLoop>
#include <QLocale>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

const char helpText[] =
    "Commands (PORT is Port1..Port8 or 1..8; INDEX and SUBINDEX are decimal or 0x hex):\n"
    "  ports                                    mode and device identity of every port\n"
    "  read PORT INDEX [SUBINDEX]               ISDU read (subindex 0 unless given)\n"
    "  write PORT INDEX SUBINDEX HEX            ISDU write of the octets HEX (\"0a 14\" or 0a14)\n"
    "  params PORT --iodd FILE [--role ROLE]    every value of the role's menus, decoded with the\n"
    "                                           description (ROLE: observer, maintenance, specialist)\n"
    "  set PORT --iodd FILE INDEX[:SUBINDEX] VALUE\n"
    "                                           VALUE as typed into the parameter page (display\n"
    "                                           units, a choice's text), encoded and written\n"
    "  pd PORT --iodd FILE                      input and output process data, decoded\n"
    "  backup PORT --iodd FILE                  every value the description's menus show, as a\n"
    "                                           parameter set (the file the parameter page saves)\n"
    "  diff PORT SETFILE --iodd FILE            the device's values beside those of the set\n"
    "  restore PORT SETFILE --iodd FILE         writes the set's values that differ, then compares\n"
    "                                           again\n"
    "  journal                                  the record of every write (the tool's and hub8ctl's)\n"
    "  mqtt --broker mqtt://HOST[:PORT] [OPTIONS]\n"
    "                                           publishes the adapter's ports and devices on an MQTT\n"
    "                                           broker until SIGINT or SIGTERM (docs/mqtt.md); mqtts://\n"
    "                                           for TLS. OPTIONS: --client-id ID, --topic-prefix P,\n"
    "                                           --credentials FILE (user name, then password, one a line;\n"
    "                                           else HUB8_MQTT_USERNAME and HUB8_MQTT_PASSWORD),\n"
    "                                           --cafile FILE, --cert FILE --key FILE, --iodd-dir DIR,\n"
    "                                           --min-interval MS, --max-interval MS, --poll-interval MS,\n"
    "                                           --pd-qos 0|1, --buffer N, --reconnect-max S,\n"
    "                                           --allow-writes (parameter and output writes from the\n"
    "                                           broker, answered on a reply topic)\n"
    "set and restore first check that the device on PORT is the description's (its vendor and device\n"
    "ID in direct parameter page 1) and refuse another one with status 1; --force writes anyway.\n"
    "restore writes several values as one block (all or none); both store the change into the\n"
    "device's Data Storage (ParamDownloadStore) when its description lists it; --no-store does not.\n"
    "\n"
    "Every command prints one JSON object on stdout; messages go to stderr.\n"
    "Exit status: 0 success, 1 the adapter or the device answered with an error,\n"
    "2 bad usage or a file that cannot be read, 3 no adapter found or it does not answer (mqtt: also\n"
    "a malformed broker URL, a broker that cannot be reached or refuses the connection).\n";

struct Command
{
    QString name;
    QStringList args;
    QString iodd;
    QString role;
    bool help = false;
    bool force = false;
    bool noStore = false;
};

// "stored", "not supported", "failed", "off" or "nothing to store".
QString storedName(ParameterDownload::Stored stored)
{
    switch (stored) {
    case ParameterDownload::Stored::Stored:
        return QStringLiteral("stored");
    case ParameterDownload::Stored::NotSupported:
        return QStringLiteral("not supported");
    case ParameterDownload::Stored::Failed:
        return QStringLiteral("failed");
    case ParameterDownload::Stored::Off:
        return QStringLiteral("off");
    case ParameterDownload::Stored::NothingToStore:
        break;
    }
    return QStringLiteral("nothing to store");
}

class Run
{
public:
    Run(const QString &program, QByteArray *output) : m_program(program), m_output(output) {}

    int say(int status, const QString &message) const
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(m_program), message.toUtf8().constData());
        return status;
    }
    int usage(const QString &message) const { return say(CtlExit::usage, message); }

    // The link failed: an exception answer is the adapter's error, anything
    // else means no adapter answers.
    int linkFailure() const
    {
        if (m_link && m_link->lastException() != 0)
            return say(CtlExit::failed,
                       QStringLiteral("the adapter answered with Modbus exception 0x%1")
                           .arg(m_link->lastException(), 2, 16, QLatin1Char('0')));
        return say(CtlExit::noAdapter, QStringLiteral("the adapter does not answer"));
    }

    // Why openLink() failed.
    QString noAdapterMessage() const
    {
        if (m_link && !m_link->lockHolder().isEmpty())
            return QStringLiteral("the adapter is in use by %1").arg(m_link->lockHolder());
        return QStringLiteral("no adapter found");
    }

    bool openLink()
    {
        LinkHub *hub = LinkHub::instance();
        if (!hub->link() || hub->link()->isShutDown())
            delete hub->setLink(new AdapterLink);
        m_link = hub->link();
        return ctlOpen(m_link);
    }

    int ports();
    int journal();
    int read(int port, int index, int subindex);
    int write(int port, int index, int subindex, const QByteArray &data);
    int printExchange(int port, int index, int subindex, const CtlReply &reply, bool withData);
    int params(int port, const IoddHeaderReader &header, IoddFile &file, const QString &roleSet);
    int set(int port, const IoddHeaderReader &header, IoddFile &file, int index, int subindex, const QString &text,
            bool force, bool store);
    int processData(int port, const IoddFile &file);
    int backup(int port, const ParameterSet::Identity &device, IoddFile &file);
    int diff(int port, const ParameterSet::Set &values, IoddFile &file);
    int restore(int port, const ParameterSet::Set &values, IoddFile &file, bool store);
    // 0 when the device on the port is the description's (or `force`);
    // otherwise the exit status, said on stderr.
    int checkDevice(int port, const IoddHeaderReader &header, bool force);

    void print(IoddJson::Writer &w) const { *m_output += w.text() + '\n'; }

private:
    QString m_program;
    QByteArray *m_output;
    AdapterLink *m_link = nullptr;
};

QString portName(int port)
{
    return QStringLiteral("Port%1").arg(port + 1);
}

const char *modeName(quint8 mode)
{
    switch (mode) {
    case AdapterRegisters::ModeDeactivated:
        return "off";
    case AdapterRegisters::ModeDigitalIn:
        return "di";
    case AdapterRegisters::ModeDigitalOut:
        return "do";
    case AdapterRegisters::ModeIoLinkStarting:
        return "starting";
    case AdapterRegisters::ModeIoLinkOperate:
        return "iolink";
    case AdapterRegisters::ModeCommunicationLost:
        return "lost";
    default:
        return "unknown";
    }
}

int Run::ports()
{
    // The monitor answers through the event loop: a local one waits for it.
    PortStatusMonitor monitor;
    int result = -1;
    QEventLoop loop;
    QObject::connect(&monitor, &PortStatusMonitor::pollFinished, &loop, [&](int r) {
        result = r;
        loop.quit();
    });
    if (monitor.poll() == 0)
        loop.exec();
    if (result != 0)
        return linkFailure();
    IoddJson::Writer w;
    w.beginObject();
    w.beginArray("ports");
    for (int p = 0; p < monitor.states().size(); ++p) {
        const PortState &s = monitor.states().at(p);
        w.beginObject();
        w.value("port", portName(p));
        w.value("mode", QString::fromLatin1(modeName(s.mode)));
        w.number("vendorId", s.vendorId);
        w.number("deviceId", s.deviceId);
        w.endObject();
    }
    w.endArray();
    w.endObject();
    print(w);
    return CtlExit::ok;
}

// The object read and write print: the request, its status, for a read its data.
int Run::printExchange(int port, int index, int subindex, const CtlReply &reply, bool withData)
{
    if (reply.linkFailed)
        return linkFailure();
    IoddJson::Writer w;
    w.beginObject();
    w.value("port", portName(port));
    w.number("index", index);
    w.number("subindex", subindex);
    writeStatus(w, reply);
    if (withData && reply.ok)
        w.value("data", hexOctets(reply.data));
    else if (withData)
        w.null("data");
    w.endObject();
    print(w);
    return reply.ok ? CtlExit::ok : CtlExit::failed;
}

int Run::read(int port, int index, int subindex)
{
    const CtlReply reply = ctlIsdu(m_link, IsduRequestBlock::read(quint8(port + 1), quint16(index), quint8(subindex)));
    return printExchange(port, index, subindex, reply, true);
}

int Run::journal()
{
    IoddJson::Writer w;
    w.beginObject();
    w.value("path", WriteJournal::path());
    w.beginArray("records");
    for (const WriteJournal::Record &r : WriteJournal::read()) {
        w.beginObject();
        w.value("time", r.time.toString(Qt::ISODateWithMs));
        w.value("program", r.program);
        w.value("user", r.user);
        w.number("port", r.port);
        w.number("vendorId", r.vendorId);
        w.number("deviceId", r.deviceId);
        w.value("serialNumber", r.serialNumber);
        w.value("kind", r.kind);
        w.number("index", r.index);
        w.number("subindex", r.subindex);
        w.value("label", r.label);
        w.value("before", hexOctets(r.before));
        w.value("after", hexOctets(r.after));
        w.value("outcome", r.outcome);
        w.endObject();
    }
    w.endArray();
    w.endObject();
    print(w);
    return CtlExit::ok;
}

int Run::write(int port, int index, int subindex, const QByteArray &data)
{
    const IsduRequestBlock block = IsduRequestBlock::write(quint8(port + 1), quint16(index), quint8(subindex), data);
    const CtlReply reply = ctlIsdu(m_link, block);
    setJournalDevice(-1, -1);
    journalWrite(port, QStringLiteral("raw"), {quint16(index), quint8(subindex), data}, QString(), QByteArray(), reply);
    return printExchange(port, index, subindex, reply, false);
}

int Run::params(int port, const IoddHeaderReader &header, IoddFile &file, const QString &roleSet)
{
    QVector<ParameterRow> rows;
    if (!readParameters(m_link, port, file.roleMenus(roleSet), &rows))
        return linkFailure();
    IoddJson::Writer w;
    w.beginObject();
    w.number("vendorId", header.vendorId());
    w.number("deviceId", header.deviceId());
    w.beginArray("values");
    bool allRead = true;
    for (const ParameterRow &row : qAsConst(rows)) {
        allRead = allRead && row.reply.ok;
        w.beginObject();
        w.value("menu", row.menu);
        w.value("label", row.entry.label);
        w.value("index", row.entry.index);
        w.value("subindex", row.entry.subindex.isEmpty() ? QStringLiteral("0") : row.entry.subindex);
        if (row.reply.ok) {
            w.value("raw", hexOctets(row.octets));
            w.value("value", row.entry.editor.value);
        } else {
            w.null("raw");
            w.null("value");
        }
        w.value("unit", row.entry.unit);
        writeError(w, row.reply);
        w.endObject();
    }
    w.endArray();
    w.endObject();
    print(w);
    return allRead ? CtlExit::ok : CtlExit::failed;
}

// Every entry the description's menus show, the specialist's first: a role
// below may show an entry read-only that the specialist may write.
QList<TreeItem> allMenus(IoddFile &file)
{
    QList<TreeItem> menus;
    for (int role = int(std::size(IoddJson::roleMenuSets)) - 1; role >= 0; --role)
        menus += file.roleMenus(QString::fromLatin1(IoddJson::roleMenuSets[role]));
    return menus;
}

int Run::checkDevice(int port, const IoddHeaderReader &header, bool force)
{
    DirectParameters page;
    switch (directParametersOf(ctlIsduExchange(m_link, directParameterRequest(port)), &page)) {
    case DirectParameterRead::Read:
        break;
    case DirectParameterRead::NoDevice:
        return say(CtlExit::failed, QStringLiteral("Port%1: no IO-Link device in operation").arg(port + 1));
    case DirectParameterRead::NoAnswer:
        return linkFailure();
    case DirectParameterRead::Unclear:
        return say(CtlExit::failed, QStringLiteral("Port%1: the device's identity could not be read").arg(port + 1));
    }
    // The journal names the device that is there, whichever it is, with its
    // serial number (index 21) when it gives one.
    constexpr quint16 serialNumberIndex = 21;
    const CtlReply serial = ctlIsdu(m_link, IsduRequestBlock::read(quint8(port + 1), serialNumberIndex, 0));
    setJournalDevice(page.vendorId, qint64(page.deviceId),
                     serial.ok ? QString::fromUtf8(serial.data).remove(QChar(0)).trimmed() : QString());
    if (page.vendorId == header.vendorId() && qint64(page.deviceId) == header.deviceId())
        return CtlExit::ok;
    const QString message = QStringLiteral("Port%1 holds vendorId %2, deviceId %3; the description is for vendorId "
                                           "%4, deviceId %5")
                                .arg(port + 1)
                                .arg(page.vendorId)
                                .arg(page.deviceId)
                                .arg(header.vendorId())
                                .arg(header.deviceId());
    if (force) {
        say(CtlExit::ok, message + QStringLiteral(" (--force: written anyway)"));
        return CtlExit::ok;
    }
    return say(CtlExit::failed, message + QStringLiteral(" (--force writes anyway)"));
}

int Run::set(int port, const IoddHeaderReader &header, IoddFile &file, int index, int subindex, const QString &text,
             bool force, bool store)
{
    const QList<ValueItem> variable = entriesOfIndex(allMenus(file), quint16(index));
    int target = -1;
    for (int i = 0; i < variable.size() && target < 0; ++i) {
        const ValueItem &e = variable.at(i);
        if (int(e.subindex.toUInt()) == subindex && e.editor.widgetClass != QLatin1String(EditorWidget::PushButton))
            target = i;
    }
    const QString where = QStringLiteral("%1:%2").arg(index).arg(subindex);
    if (target < 0)
        return usage(QStringLiteral("%1: no such entry in the description's menus").arg(where));
    const ValueItem &entry = variable.at(target);
    if (!CtlValues::isWritable(entry))
        return usage(QStringLiteral("%1 (%2) cannot be written: access \"%3\"")
                         .arg(where, entry.label, entry.accessRightRestriction));
    QString why;
    if (!CtlValues::acceptsText(entry, text, &why))
        return usage(QStringLiteral("%1 (%2): \"%3\": %4").arg(where, entry.label, text, why));
    if (!openLink())
        return say(CtlExit::noAdapter, noAdapterMessage());
    if (const int status = checkDevice(port, header, force))
        return status;

    ParameterWrite written;
    if (!writeParameter(m_link, port, entry, text, {{true, file.systemCommands()}, store}, &written))
        return linkFailure();
    if (written.result == ParameterWrite::NotEncodable)
        return usage(
            QStringLiteral("%1 (%2): \"%3\" cannot be written: %4").arg(where, entry.label, text, written.why));
    IoddJson::Writer w;
    w.beginObject();
    if (written.result == ParameterWrite::Written)
        w.value("raw", hexOctets(written.octets));
    else
        w.null("raw");
    writeStatus(w, written.reply);
    w.value("stored", storedName(written.stored));
    w.endObject();
    print(w);
    return written.reply.ok ? CtlExit::ok : CtlExit::failed;
}

int Run::processData(int port, const IoddFile &file)
{
    struct Direction
    {
        const char *key;
        TreeItem node;
        quint16 window;
    };
    const Direction directions[] = {{"in", file.processDataIn(), AdapterRegisters::pdInWindow(port)},
                                    {"out", file.processDataOut(), AdapterRegisters::pdOutWindow(port)}};
    IoddJson::Writer w;
    w.beginObject();
    for (const Direction &d : directions) {
        const int bits = CtlValues::processDataBits(d.node);
        const int registers = AdapterRegisters::pdRegistersForBits(bits);
        QByteArray data;
        if (registers > 0 && !ctlReadRegisters(m_link, d.window, registers, &data))
            return linkFailure();
        // Whole registers were read: an odd octet behind the process data is not part of it.
        const int octets = (bits + 7) / 8;
        if (octets < data.size())
            data.truncate(octets);
        w.beginObject(d.key);
        w.value("raw", hexOctets(data));
        w.beginArray("items");
        for (const CtlValues::ProcessDataItem &item : CtlValues::decodeProcessData(d.node, data)) {
            w.beginObject();
            w.value("name", item.name);
            w.value("subindex", item.subindex);
            w.value("bitOffset", QString::number(item.bitOffset));
            w.value("bitLength", QString::number(item.bitLength));
            w.value("raw", item.raw);
            if (item.hasValue)
                w.value("value", item.value);
            else
                w.null("value");
            w.value("unit", item.unit);
            w.endObject();
        }
        w.endArray();
        w.endObject();
    }
    w.endObject();
    print(w);
    return CtlExit::ok;
}

int Run::backup(int port, const ParameterSet::Identity &device, IoddFile &file)
{
    DeviceValues values;
    if (!readDeviceValues(m_link, port, allMenus(file), {}, &values))
        return linkFailure();
    if (!values.failed.isEmpty()) {
        QStringList keys = values.failed.keys();
        std::sort(keys.begin(), keys.end());
        QStringList missing;
        for (const QString &key : qAsConst(keys))
            missing << QStringLiteral("%1 (%2)").arg(key, values.failed.value(key));
        say(CtlExit::ok,
            QStringLiteral("%1 values could not be read and are not in the set: %2")
                .arg(missing.size())
                .arg(missing.join(QStringLiteral("; "))));
    }
    ParameterSet::Set set;
    set.device = device;
    set.entries = values.entries;
    *m_output += ParameterSet::toJson(set);
    return set.entries.isEmpty() ? CtlExit::failed : CtlExit::ok;
}

namespace {

QSet<int> indexesOf(const ParameterSet::Set &values)
{
    QSet<int> indexes;
    for (const ParameterSet::Entry &e : values.entries)
        indexes.insert(e.index);
    return indexes;
}

void writeEntryHead(IoddJson::Writer &w, const ParameterSet::Entry &e)
{
    w.number("index", e.index);
    w.number("subindex", e.subindex);
    w.value("label", e.label);
}

// "same", "different" and "onlyInFile" of a comparison, into an open object.
void writeComparison(IoddJson::Writer &w, const ParameterSet::Comparison &c, const DeviceValues &device)
{
    w.number("same", c.same);
    w.beginArray("different");
    for (const ParameterSet::Row &row : c.rows) {
        if (row.state != ParameterSet::RowState::Different)
            continue;
        w.beginObject();
        // Labelled as the description names it: a set file's label may be anything.
        writeEntryHead(w, row.device);
        w.value("file", row.file.value);
        w.value("device", row.device.value);
        w.boolean("writable", row.canWrite());
        w.endObject();
    }
    w.endArray();
    w.beginArray("onlyInFile");
    for (const ParameterSet::Row &row : c.rows) {
        if (row.state != ParameterSet::RowState::OnlyInFile)
            continue;
        w.beginObject();
        writeEntryHead(w, row.file);
        w.value("file", row.file.value);
        w.value("reason", device.failed.value(row.file.key(), QStringLiteral("not in the description's menus")));
        w.endObject();
    }
    w.endArray();
}

} // namespace

int Run::diff(int port, const ParameterSet::Set &values, IoddFile &file)
{
    DeviceValues device;
    if (!readDeviceValues(m_link, port, allMenus(file), indexesOf(values), &device))
        return linkFailure();
    IoddJson::Writer w;
    w.beginObject();
    writeComparison(w, ParameterSet::compare(values, device.entries), device);
    w.endObject();
    print(w);
    return CtlExit::ok;
}

int Run::restore(int port, const ParameterSet::Set &values, IoddFile &file, bool store)
{
    const QList<TreeItem> menus = allMenus(file);
    DeviceValues device;
    if (!readDeviceValues(m_link, port, menus, indexesOf(values), &device))
        return linkFailure();
    QVector<SetWrite> writes;
    QVector<SetSkip> skipped;
    std::optional<ParameterDownload> download;
    if (!writeSetEntries(m_link, port, menus, ParameterSet::compare(values, device.entries), device,
                         {{true, file.systemCommands()}, store}, &writes, &skipped, &download))
        return linkFailure();
    // What the device holds now.
    DeviceValues after;
    if (!readDeviceValues(m_link, port, menus, indexesOf(values), &after))
        return linkFailure();

    IoddJson::Writer w;
    w.beginObject();
    w.beginArray("written");
    bool allTaken = true;
    for (const SetWrite &write : qAsConst(writes)) {
        allTaken = allTaken && write.applied;
        w.beginObject();
        w.number("index", write.index);
        w.number("subindex", write.subindex);
        w.strings("labels", write.labels);
        w.value("raw", hexOctets(write.octets));
        writeStatus(w, write.reply);
        w.boolean("applied", write.applied);
        w.endObject();
    }
    w.endArray();
    // The block: whether the writes went as one, which one the device
    // refused, and its verdict at the end (none applied after either).
    w.beginObject("block");
    w.boolean("used", download->block());
    if (download->refusedWrite() >= 0)
        w.number("refused", download->refusedWrite());
    else
        w.null("refused");
    if (download->block() && download->refusedWrite() < 0 && !download->verdictText().isEmpty())
        w.value("verdict", download->verdictText().trimmed());
    else
        w.null("verdict");
    w.endObject();
    w.value("stored", storedName(download->stored()));
    allTaken = allTaken && download->verdictText().isEmpty();
    w.beginArray("skipped");
    for (const SetSkip &skip : qAsConst(skipped)) {
        w.beginObject();
        writeEntryHead(w, skip.entry);
        w.value("file", skip.entry.value);
        w.value("reason", skip.reason);
        w.endObject();
    }
    w.endArray();
    const ParameterSet::Comparison now = ParameterSet::compare(values, after.entries);
    w.beginObject("after");
    writeComparison(w, now, after);
    w.endObject();
    w.endObject();
    print(w);
    // Done when the device took every write and holds every value of the file it can be given.
    const bool restored = std::none_of(now.rows.cbegin(), now.rows.cend(), [](const ParameterSet::Row &row) {
        return row.state == ParameterSet::RowState::Different && row.canWrite();
    });
    return allTaken && restored ? CtlExit::ok : CtlExit::failed;
}

bool parseCommand(const QStringList &args, Command *c, QString *error)
{
    bool optionsEnded = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (!optionsEnded && (a == QLatin1String("--help") || a == QLatin1String("-h"))) {
            c->help = true;
            continue;
        }
        if (!optionsEnded && a == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && a == QLatin1String("--force")) {
            c->force = true;
            continue;
        }
        if (!optionsEnded && a == QLatin1String("--no-store")) {
            c->noStore = true;
            continue;
        }
        if (!optionsEnded && a.startsWith(QLatin1String("--"))) {
            const int eq = a.indexOf(QLatin1Char('='));
            const QString name = eq > 0 ? a.left(eq) : a;
            QString *target = name == QLatin1String("--iodd") ? &c->iodd
                : name == QLatin1String("--role")             ? &c->role
                                                              : nullptr;
            if (!target) {
                *error = QStringLiteral("unknown option %1").arg(a);
                return false;
            }
            if (eq > 0) {
                *target = a.mid(eq + 1);
            } else if (i + 1 < args.size()) {
                *target = args.at(++i);
            } else {
                *error = QStringLiteral("%1 needs a value").arg(name);
                return false;
            }
            continue;
        }
        if (c->name.isEmpty())
            c->name = a;
        else
            c->args << a;
    }
    return true;
}

// A port as "Port1".."Port8" or "1".."8": 0..7, -1 otherwise.
int parsePort(const QString &text)
{
    QString digits = text;
    if (text.startsWith(QLatin1String("port"), Qt::CaseInsensitive))
        digits = text.mid(4);
    bool ok = false;
    const int n = digits.toInt(&ok);
    return ok && digits.size() == 1 && n >= 1 && n <= AdapterRegisters::portCount ? n - 1 : -1;
}

// Decimal or 0x hex, 0..max; -1 otherwise.
int parseNumber(const QString &text, int max)
{
    bool ok = false;
    const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const uint n = hex ? text.mid(2).toUInt(&ok, 16) : text.toUInt(&ok, 10);
    return ok && n <= uint(max) ? int(n) : -1;
}

bool loadDescription(const QString &path, IoddHeaderReader &header, IoddFile &file, QString *error)
{
    if (path.isEmpty()) {
        *error = QStringLiteral("--iodd FILE is needed");
        return false;
    }
    if (header.open(path) != 0 || file.load(path) != 0) {
        *error = QStringLiteral("cannot read %1").arg(path);
        return false;
    }
    if (!header.errorString().isEmpty()) {
        *error = QStringLiteral("%1: not well-formed XML: %2").arg(path, header.errorString());
        return false;
    }
    return true;
}

} // namespace

int runHub8ctl(const QString &program, const QStringList &args, const QString &synopsis, const QString &extraOptions,
               QByteArray *output)
{
    // Messages in the locale's language, as the window's: Chinese for a
    // Chinese locale, else English.
    UiLanguage::apply(UiLanguage::forLocale(QLocale::system()));
    Run run(program, output);
    // mqtt runs until it is told to stop and has options of its own.
    if (!args.isEmpty() && args.first() == QLatin1String("mqtt") && !args.contains(QLatin1String("--help"))
        && !args.contains(QLatin1String("-h")))
        return runMqtt(program, args.mid(1), output);
    Command c;
    QString error;
    if (!parseCommand(args, &c, &error))
        return run.usage(error + QStringLiteral(" (see --help)"));
    if (c.help || c.name == QLatin1String("help")) {
        *output += synopsis.toUtf8() + '\n';
        if (!extraOptions.isEmpty())
            *output += '\n' + extraOptions.toUtf8();
        *output += '\n' + QByteArray(helpText);
        return CtlExit::ok;
    }

    // Arguments each command takes. write and set join what follows their
    // last but one into the last, so "0a 14" or a choice's text need no quotes.
    struct Shape
    {
        const char *name;
        int min;
        int max;
        bool joinsRest;
        bool description;
    };
    const Shape shapes[] = {{"ports", 0, 0, false, false}, {"journal", 0, 0, false, false},
                            {"read", 2, 3, false, false},  {"write", 4, 4, true, false},
                            {"params", 1, 1, false, true}, {"set", 3, 3, true, true},
                            {"pd", 1, 1, false, true},     {"backup", 1, 1, false, true},
                            {"diff", 2, 2, false, true},   {"restore", 2, 2, false, true}};
    const Shape *shape = nullptr;
    for (const Shape &candidate : shapes) {
        if (c.name == QLatin1String(candidate.name))
            shape = &candidate;
    }
    if (!shape)
        return run.usage(c.name.isEmpty() ? QStringLiteral("no command given (see --help)")
                                          : QStringLiteral("unknown command \"%1\" (see --help)").arg(c.name));
    if (!shape->description && !c.iodd.isEmpty())
        return run.usage(QStringLiteral("%1 takes no --iodd").arg(c.name));
    if (c.name != QLatin1String("params") && !c.role.isEmpty())
        return run.usage(QStringLiteral("only params takes --role"));
    if (c.force && c.name != QLatin1String("set") && c.name != QLatin1String("restore"))
        return run.usage(QStringLiteral("only set and restore take --force"));
    if (c.noStore && c.name != QLatin1String("set") && c.name != QLatin1String("restore"))
        return run.usage(QStringLiteral("only set and restore take --no-store"));
    if (shape->joinsRest && c.args.size() > shape->max)
        c.args = c.args.mid(0, shape->max - 1) << c.args.mid(shape->max - 1).join(QLatin1Char(' '));
    if (c.args.size() < shape->min || c.args.size() > shape->max)
        return run.usage(QStringLiteral("wrong number of arguments for %1 (see --help)").arg(c.name));

    if (c.name == QLatin1String("journal"))
        return run.journal();
    const int port = c.args.isEmpty() ? 0 : parsePort(c.args.at(0));
    if (port < 0)
        return run.usage(QStringLiteral("PORT: expected Port1..Port8 or 1..8, got \"%1\"").arg(c.args.at(0)));

    int index = 0;
    int subindex = 0;
    if (c.name == QLatin1String("read") || c.name == QLatin1String("write")) {
        index = parseNumber(c.args.at(1), 0xFFFF);
        subindex = c.args.size() > 2 ? parseNumber(c.args.at(2), 0xFF) : 0;
    } else if (c.name == QLatin1String("set")) {
        const QStringList parts = c.args.at(1).split(QLatin1Char(':'));
        index = parts.size() <= 2 ? parseNumber(parts.at(0), 0xFFFF) : -1;
        subindex = parts.size() == 2 ? parseNumber(parts.at(1), 0xFF) : 0;
    }
    if (index < 0 || subindex < 0)
        return run.usage(QStringLiteral("INDEX 0..65535 and SUBINDEX 0..255 expected, got \"%1\"")
                             .arg(c.args.mid(1, c.name == QLatin1String("set") ? 1 : 2).join(QLatin1Char(' '))));
    QByteArray data;
    if (c.name == QLatin1String("write")
        && (!ValueCodec::parseHexOctets(c.args.at(3), &data) || data.size() > IsduRequestBlock::maxData))
        return run.usage(QStringLiteral("HEX: expected up to %1 octets in hex, got \"%2\"")
                             .arg(IsduRequestBlock::maxData)
                             .arg(c.args.at(3)));

    QString roleSet = QStringLiteral("SpecialistRoleMenuSet");
    if (!c.role.isEmpty()) {
        const QStringList roles{QStringLiteral("observer"), QStringLiteral("maintenance"),
                                QStringLiteral("specialist")};
        const int role = int(roles.indexOf(c.role));
        if (role < 0)
            return run.usage(
                QStringLiteral("--role: expected observer, maintenance or specialist, got \"%1\"").arg(c.role));
        roleSet = QString::fromLatin1(IoddJson::roleMenuSets[role]);
    }

    IoddHeaderReader header;
    IoddFile file;
    if (shape->description && !loadDescription(c.iodd, header, file, &error))
        return run.usage(error);

    // set checks its entry and value against the description before it opens the adapter,
    // diff and restore their set file.
    if (c.name == QLatin1String("set"))
        return run.set(port, header, file, index, subindex, c.args.at(2), c.force, !c.noStore);
    const ParameterSet::Identity device = ParameterSet::identityOf(header.readDeviceInfo(), file.readVariants());
    ParameterSet::Set values;
    const bool withSet = c.name == QLatin1String("diff") || c.name == QLatin1String("restore");
    if (withSet && !ParameterSet::readFile(c.args.at(1), &values, &error))
        return run.usage(QStringLiteral("cannot read the parameter set %1").arg(error));
    if (withSet && !ParameterSet::sameDevice(values.device, device))
        return run.usage(QStringLiteral("the parameter set is for another device: the set is for %1, the description "
                                        "for %2")
                             .arg(ParameterSet::describe(values.device), ParameterSet::describe(device)));
    if (!run.openLink())
        return run.say(CtlExit::noAdapter, run.noAdapterMessage());
    if (c.name == QLatin1String("ports"))
        return run.ports();
    if (c.name == QLatin1String("read"))
        return run.read(port, index, subindex);
    if (c.name == QLatin1String("write"))
        return run.write(port, index, subindex, data);
    if (c.name == QLatin1String("params"))
        return run.params(port, header, file, roleSet);
    if (c.name == QLatin1String("backup"))
        return run.backup(port, device, file);
    if (c.name == QLatin1String("diff"))
        return run.diff(port, values, file);
    if (c.name == QLatin1String("restore")) {
        if (const int status = run.checkDevice(port, header, c.force))
            return status;
        return run.restore(port, values, file, !c.noStore);
    }
    return run.processData(port, file);
}

int printed(int status, const QByteArray &output)
{
    std::fwrite(output.constData(), 1, size_t(output.size()), stdout);
    return status;
}
