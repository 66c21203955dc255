#include "mqttwriter.h"

#include "codec/parameterset.h"
#include "codec/valuecodec.h"
#include "description/ioddfile.h"
#include "description/ioddjson.h"
#include "link/adapterlink.h"
#include "link/directparameterpage.h"
#include "link/linkhub.h"
#include "link/linkreply.h"
#include "log/hub8log.h"
#include "log/writejournal.h"
#include "protocol/adapterregisters.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <iterator>

namespace {

constexpr int isduPollMs = 25;
constexpr int isduWaitMs = 2000;

AdapterLink *hubLink()
{
    LinkHub *hub = LinkHub::instance();
    AdapterLink *link = hub ? hub->link() : nullptr;
    return link && !link->isShutDown() ? link : nullptr;
}

QJsonArray octetsJson(const QByteArray &octets)
{
    QJsonArray a;
    for (const char c : octets)
        a.append(int(quint8(c)));
    return a;
}

// The error of an exchange that did not succeed, in words.
QString exchangeError(const IsduExchange &exchange, quint16 *code)
{
    *code = 0;
    switch (exchange.outcome) {
    case IsduOutcome::NoAnswer:
    case IsduOutcome::Cancelled:
        return QStringLiteral("the adapter does not answer");
    case IsduOutcome::StillBusy:
        return QStringLiteral("the device did not answer in time");
    case IsduOutcome::NotOurs:
        return QStringLiteral("the response belongs to another request");
    case IsduOutcome::Answered:
        break;
    }
    if (exchange.response.status() == IsduStatus::deviceError) {
        *code = exchange.response.deviceError();
        return QStringLiteral("0x%1 %2").arg(*code, 4, 16, QLatin1Char('0')).arg(isduDeviceErrorText(*code)).trimmed();
    }
    return QStringLiteral("the adapter answered with status 0x%1")
        .arg(exchange.response.status(), 2, 16, QLatin1Char('0'));
}

// Every entry of the description's menus for index:subindex, the
// specialist's menus first (another role may show it read-only); buttons
// are not values.
bool findEntry(IoddFile &file, int index, int subindex, ValueItem *out)
{
    std::function<bool(const QList<TreeItem> &)> search = [&](const QList<TreeItem> &menus) {
        for (const TreeItem &menu : menus) {
            for (const ValueItem &v : menu.values) {
                if (int(v.index.toUInt()) == index && int(v.subindex.toUInt()) == subindex
                    && v.editor.widgetClass != QLatin1String(EditorWidget::PushButton)) {
                    *out = v;
                    return true;
                }
            }
            if (search(menu.children))
                return true;
        }
        return false;
    };
    for (int role = int(std::size(IoddJson::roleMenuSets)) - 1; role >= 0; --role) {
        if (search(file.roleMenus(QString::fromLatin1(IoddJson::roleMenuSets[role]))))
            return true;
    }
    return false;
}

// The name an output item goes by in payloads (MqttPayloads::processData).
QString itemName(const ValueItem &item)
{
    return item.label.isEmpty() ? item.editor.name : item.label;
}

// What the codec takes for an item from a JSON value: a named value by its
// name or its value, a bit as true/false, a number or text as given.
QString inputFor(const ValueItem &item, const QJsonValue &value)
{
    QString text = value.isBool() ? (value.toBool() ? QStringLiteral("true") : QStringLiteral("false"))
        : value.isDouble()        ? QString::number(value.toDouble(), 'g', 17)
                                  : value.toString();
    for (const ValuePair &entry : item.editor.entries) {
        if (entry.first == text)
            return entry.second;
    }
    return text;
}

// Copies bits [offset, offset + length) (bit 0: the last octet's lowest)
// from `from` to `to`, both of the same size.
void copyBits(const QByteArray &from, QByteArray *to, int offset, int length)
{
    const int size = int(to->size());
    for (int bit = offset; bit < offset + length && bit < 8 * size; ++bit) {
        const int octet = size - 1 - bit / 8;
        const char mask = char(1 << (bit % 8));
        (*to)[octet] = char((to->at(octet) & ~mask) | (from.at(octet) & mask));
    }
}

} // namespace

struct MqttWriter::Job
{
    Kind kind = Kind::Parameter;
    MqttWriteTarget target;
    QJsonValue id;
    QJsonObject request;
    // Parameter writes.
    ValueItem entry;
    QHash<int, QByteArray> variables;
    QByteArray before;
    bool beforeKnown = false;
    std::unique_ptr<ParameterDownload> download;
    ParameterDownload::Step step;
    QString writeError;
    // Process-data output.
    QByteArray block;
};

MqttWriter::MqttWriter(const QString &program, QObject *parent) : QObject(parent), m_program(program) {}

void MqttWriter::request(Kind kind, const MqttWriteTarget &target, const QByteArray &payload)
{
    auto job = std::make_shared<Job>();
    job->kind = kind;
    job->target = target;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(payload, &error);
    job->request = doc.object();
    job->id = job->request.value(QStringLiteral("id"));
    m_queue.append(job);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        job->request = QJsonObject{{QStringLiteral("malformed"), true}};
    startNext();
}

void MqttWriter::refuse(int port, const QByteArray &payload, const QString &why)
{
    const QJsonValue id = QJsonDocument::fromJson(payload).object().value(QStringLiteral("id"));
    emit answered(port,
                  QJsonDocument(QJsonObject{{"id", id}, {"ok", false}, {"error", why}}).toJson(QJsonDocument::Compact));
}

void MqttWriter::startNext()
{
    if (m_job || m_queue.isEmpty())
        return;
    m_job = m_queue.takeFirst();
    if (m_job->request.contains(QStringLiteral("malformed"))) {
        fail(QStringLiteral("the request is not a JSON object"));
        return;
    }
    checkIdentity();
}

void MqttWriter::finish(const QJsonObject &result)
{
    QJsonObject reply = result;
    reply.insert(QStringLiteral("id"), m_job->id);
    const int port = m_job->target.port;
    m_job.reset();
    emit answered(port, QJsonDocument(reply).toJson(QJsonDocument::Compact));
    startNext();
}

void MqttWriter::fail(const QString &why)
{
    qCInfo(lcMqtt).noquote()
        << QStringLiteral("Port%1: a write from the broker is refused: %2").arg(m_job->target.port + 1).arg(why);
    finish({{"ok", false}, {"error", why}});
}

void MqttWriter::sendIsdu(const IsduRequestBlock &request, const std::function<void(const IsduExchange &)> &then)
{
    AdapterLink *link = hubLink();
    if (!link) {
        fail(QStringLiteral("the adapter does not answer"));
        return;
    }
    LinkReply *reply = link->exchangeIsdu(request, isduWaitMs, this, isduPollMs);
    connect(reply, &LinkReply::finished, this, [reply, then] {
        reply->deleteLater();
        then(reply->isdu());
    });
}

void MqttWriter::checkIdentity()
{
    // The device must still be the one the description was chosen for.
    sendIsdu(directParameterRequest(m_job->target.port), [this](const IsduExchange &exchange) {
        DirectParameters page;
        if (directParametersOf(exchange, &page) != DirectParameterRead::Read) {
            fail(QStringLiteral("no device in operation on the port"));
            return;
        }
        const MqttDeviceIdentity &id = m_job->target.identity;
        if (page.vendorId != id.vendorId || page.deviceId != id.deviceId) {
            fail(QStringLiteral("the port holds another device now (vendorId %1, deviceId %2)")
                     .arg(page.vendorId)
                     .arg(page.deviceId));
            return;
        }
        if (m_job->kind == Kind::Parameter)
            startParameter();
        else
            startOutput();
    });
}

void MqttWriter::startParameter()
{
    Job &job = *m_job;
    const QJsonValue index = job.request.value(QStringLiteral("index"));
    const QJsonValue subindex = job.request.value(QStringLiteral("subindex"));
    const QJsonValue value = job.request.value(QStringLiteral("value"));
    if (!index.isDouble() || index.toInt(-1) < 0 || index.toInt() > 0xFFFF
        || (!subindex.isUndefined() && (!subindex.isDouble() || subindex.toInt(-1) < 0 || subindex.toInt() > 0xFF))
        || !(value.isString() || value.isDouble() || value.isBool())) {
        fail(QStringLiteral("expected {\"index\": 0..65535, \"subindex\": 0..255, \"value\": ...}"));
        return;
    }
    const int idx = index.toInt();
    const int sub = subindex.toInt(0);
    if (idx == systemCommandIndex || idx == accessLocksIndex) {
        fail(QStringLiteral("system commands and the access locks are not written from the broker"));
        return;
    }
    if (!job.target.description) {
        fail(QStringLiteral("no description of the device: nothing to check the value against"));
        return;
    }
    if (!findEntry(*job.target.description, idx, sub, &job.entry)) {
        fail(QStringLiteral("%1:%2: no such entry in the description's menus").arg(idx).arg(sub));
        return;
    }
    if (!ValueCodec::isWritable(job.entry)) {
        fail(QStringLiteral("%1:%2 (%3) cannot be written").arg(idx).arg(sub).arg(job.entry.label));
        return;
    }
    const QString text = inputFor(job.entry, value);
    QString why;
    if (!ParameterSet::acceptsValue(job.entry, text, &why)) {
        fail(QStringLiteral("%1 (%2): \"%3\": %4").arg(idx).arg(job.entry.label, text, why));
        return;
    }
    job.entry.editor.value = text;
    const ParameterAccess::Request read = ParameterAccess::readRequestFor(job.entry);
    const auto plan = [this] {
        Job &job = *m_job;
        const ParameterAccess::WritePlan plan = ParameterAccess::planWrites({&job.entry}, job.variables);
        if (plan.writes.isEmpty()) {
            fail(plan.refused.isEmpty() ? QStringLiteral("the value cannot be encoded") : plan.refused.first().second);
            return;
        }
        const ParameterAccess::Request &request = plan.writes.first().request;
        job.download = std::make_unique<ParameterDownload>(
            QVector<ParameterAccess::Request>{request},
            ParameterDownload::Support{true, job.target.description->systemCommands()}, true);
        if (job.variables.contains(request.index) && request.subindex == 0) {
            job.before = job.variables.value(request.index);
            job.beforeKnown = true;
        }
        runDownload();
    };
    if (ParameterAccess::readsWholeVariable(job.entry) && ValueCodec::variableBitLength(job.entry) > 0
        && ValueCodec::isReadable(job.entry)) {
        // An item goes with its variable: the other items keep what the device holds.
        sendIsdu(
            IsduRequestBlock::read(quint8(job.target.port + 1), read.index, read.subindex),
            [this, read, plan](const IsduExchange &exchange) {
                if (!exchange.succeeded()) {
                    quint16 code = 0;
                    fail(QStringLiteral("reading the variable first failed: %1").arg(exchangeError(exchange, &code)));
                    return;
                }
                m_job->variables.insert(read.index, exchange.response.dataRightAligned());
                plan();
            });
        return;
    }
    plan();
}

void MqttWriter::runDownload()
{
    Job &job = *m_job;
    if (!job.download->next(&job.step)) {
        const bool taken = job.download->taken(0);
        QJsonObject result{{"ok", taken && job.download->verdictText().isEmpty()}};
        result.insert(QStringLiteral("error"), taken ? QJsonValue() : QJsonValue(job.writeError));
        const char *stored = "nothing to store";
        switch (job.download->stored()) {
        case ParameterDownload::Stored::Stored:
            stored = "stored";
            break;
        case ParameterDownload::Stored::NotSupported:
            stored = "not supported";
            break;
        case ParameterDownload::Stored::Failed:
            stored = "failed";
            break;
        case ParameterDownload::Stored::Off:
            stored = "off";
            break;
        case ParameterDownload::Stored::NothingToStore:
            break;
        }
        result.insert(QStringLiteral("stored"), QLatin1String(stored));
        finish(result);
        return;
    }
    const ParameterDownload::Step step = job.step;
    const quint8 port = quint8(job.target.port + 1);
    const IsduRequestBlock block =
        IsduRequestBlock::write(port, step.request.index, step.request.subindex, step.request.data);
    sendIsdu(block, [this, step](const IsduExchange &exchange) {
        Job &job = *m_job;
        quint16 code = 0;
        const QString error = exchange.succeeded() ? QString() : exchangeError(exchange, &code);
        if (step.kind == ParameterDownload::Kind::Write) {
            job.writeError = error;
            journal(QStringLiteral("parameter"), step.request.index, step.request.subindex, job.entry.label,
                    job.beforeKnown ? job.before : QByteArray(), step.request.data,
                    error.isEmpty() ? QStringLiteral("taken") : error);
        }
        if (exchange.outcome == IsduOutcome::NoAnswer || exchange.outcome == IsduOutcome::Cancelled) {
            fail(error);
            return;
        }
        job.download->answer(exchange.succeeded(), code, error);
        runDownload();
    });
}

void MqttWriter::startOutput()
{
    Job &job = *m_job;
    const ProcessDataCodec::Layout &layout = job.target.out;
    if (layout.bitLength <= 0 || layout.fields.isEmpty()) {
        fail(QStringLiteral("the device's description has no process-data output"));
        return;
    }
    const QJsonObject values = job.request.value(QStringLiteral("values")).toObject();
    if (values.isEmpty()) {
        fail(QStringLiteral("expected {\"values\": {\"item name\": value, ...}}"));
        return;
    }
    QVector<QString> inputs(layout.fields.size());
    QVector<bool> given(layout.fields.size(), false);
    QStringList unknown = values.keys();
    for (int i = 0; i < layout.fields.size(); ++i) {
        const ValueItem &item = layout.fields.at(i).item;
        const QString name = itemName(item);
        if (values.contains(name)) {
            inputs[i] = inputFor(item, values.value(name));
            given[i] = true;
            unknown.removeAll(name);
        }
    }
    if (!unknown.isEmpty()) {
        fail(QStringLiteral("no such output item: %1").arg(unknown.join(QStringLiteral(", "))));
        return;
    }
    QStringList errors;
    QByteArray octets = ProcessDataCodec::encode(layout, inputs, &errors);
    if (!errors.isEmpty()) {
        fail(errors.join(QStringLiteral("; ")));
        return;
    }
    // The items not named keep what the device is sent now.
    const QByteArray current = job.target.currentOut;
    if (current.size() == octets.size()) {
        for (int i = 0; i < layout.fields.size(); ++i) {
            if (!given.at(i))
                copyBits(current, &octets, layout.fields.at(i).bitOffset, layout.fields.at(i).bitLength);
        }
    }
    AdapterLink *link = hubLink();
    if (!link) {
        fail(QStringLiteral("the adapter does not answer"));
        return;
    }
    const int registers = AdapterRegisters::pdRegistersForBits(layout.bitLength);
    QByteArray block = octets;
    block.append(QByteArray(2 * registers - block.size(), '\0'));
    LinkReply *reply = link->writeRegisters(AdapterRegisters::pdOutWindow(job.target.port), block, this);
    connect(reply, &LinkReply::finished, this, [this, reply, octets, current] {
        reply->deleteLater();
        const bool ok = reply->succeeded();
        journal(QStringLiteral("process data"), -1, -1, m_job->target.identity.productName, current, octets,
                ok ? QStringLiteral("taken") : QStringLiteral("no answer"));
        QJsonObject result{{"ok", ok}, {"raw", octetsJson(octets)}};
        result.insert(QStringLiteral("error"), ok ? QJsonValue() : QJsonValue(QStringLiteral("no answer")));
        finish(result);
    });
}

void MqttWriter::journal(const QString &kind, int index, int subindex, const QString &label, const QByteArray &before,
                         const QByteArray &after, const QString &outcome)
{
    WriteJournal::Record r = WriteJournal::now(m_program, m_job->target.port + 1, kind);
    r.vendorId = m_job->target.identity.vendorId;
    r.deviceId = m_job->target.identity.deviceId;
    r.serialNumber = m_job->target.identity.serialNumber;
    r.index = index;
    r.subindex = subindex;
    r.label = label;
    r.before = before;
    r.after = after;
    r.outcome = outcome;
    QString error;
    if (!WriteJournal::append(r, &error))
        qCWarning(lcMqtt).noquote() << "a write from the broker was not recorded in the journal:" << error;
}
