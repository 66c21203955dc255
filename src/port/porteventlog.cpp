#include "porteventlog.h"

#include "link/devicestatuspoller.h"
#include "link/portstatusmonitor.h"
#include "protocol/adapterregisters.h"

#include <QSet>
#include <QTime>

namespace {
enum Kind { CommunicationLost = 1, AdapterSilent = 2, DeviceEvent = 3 };

QString now()
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
}

// The tool's text for an event of `kind` on `port` (zero-based): the
// condition's, or for a device event that of a code no description defines.
QString ownText(int kind, int port)
{
    switch (kind) {
    case AdapterSilent:
        return PortEventLog::tr("适配器无应答");
    case CommunicationLost:
        return PortEventLog::tr("Port%1 IO-Link 通信中断").arg(port + 1);
    default:
        return PortEventLog::tr("未定义的事件代码");
    }
}

quint32 keyOf(const DeviceEventEntry &e)
{
    return quint32(e.qualifier) << 16 | e.code;
}
} // namespace

PortEventLog::PortEventLog(int portCount, QObject *parent) : QObject(parent), m_ports(portCount) {}

PortEventLog::~PortEventLog() = default;

EventPage::DiagnosisItem *PortEventLog::raise(int port, int kind, const QString &text, quint32 key)
{
    PortLog &log = m_ports[port];
    for (const auto &e : qAsConst(log.events))
        if (e->kind == kind && e->key == key && e->item->isError)
            return nullptr; // still present
    auto event = std::make_shared<Event>();
    event->kind = kind;
    event->key = key;
    event->item = std::make_unique<EventPage::DiagnosisItem>();
    event->item->errorTime = now();
    event->ownText = text.isEmpty();
    event->item->text = event->ownText ? ownText(kind, port) : text;
    event->item->isError = true;
    log.events.append(event);
    while (log.events.size() > maxEventsPerPort)
        log.events.removeFirst();
    return event->item.get();
}

void PortEventLog::clear(int port, int kind, qint64 key)
{
    bool changed = false;
    for (const auto &e : qAsConst(m_ports[port].events)) {
        if (e->kind == kind && (key < 0 || e->key == quint32(key)) && e->item->isError) {
            e->item->isError = false;
            e->item->recoveryTime = now();
            changed = true;
        }
    }
    if (changed)
        emit eventsChanged(port);
}

void PortEventLog::update(bool adapterAnswers, const QVector<PortState> &states)
{
    if (adapterAnswers != m_adapterAnswered) {
        for (int p = 0; p < m_ports.size(); ++p) {
            if (adapterAnswers)
                clear(p, AdapterSilent);
            else if (raise(p, AdapterSilent))
                emit eventsChanged(p);
        }
        m_adapterAnswered = adapterAnswers;
    }
    if (!adapterAnswers)
        return;
    for (int p = 0; p < m_ports.size() && p < states.size(); ++p) {
        const quint8 mode = states.at(p).mode;
        PortLog &log = m_ports[p];
        if (mode == AdapterRegisters::ModeCommunicationLost && (m_first || log.lastMode != mode)) {
            if (raise(p, CommunicationLost))
                emit eventsChanged(p);
        } else if (mode != AdapterRegisters::ModeCommunicationLost
                   && log.lastMode == AdapterRegisters::ModeCommunicationLost) {
            clear(p, CommunicationLost);
        }
        if (mode != AdapterRegisters::ModeIoLinkOperate && log.lastMode == AdapterRegisters::ModeIoLinkOperate)
            forgetDevice(p);
        log.lastMode = mode;
    }
    m_first = false;
}

// Without a device in operate nothing reports its events any more.
void PortEventLog::forgetDevice(int port)
{
    const bool statusKnown = m_ports[port].deviceStatus >= 0;
    m_ports[port].deviceStatus = -1;
    clear(port, DeviceEvent);
    if (statusKnown)
        emit eventsChanged(port);
}

void PortEventLog::updateDevice(int port, const DeviceStatusReading &reading,
                                const std::function<EventItem(quint16 code)> &describe)
{
    if (port < 0 || port >= m_ports.size())
        return;
    PortLog &log = m_ports[port];
    const int status = reading.statusRead ? reading.status : -1;
    bool changed = status != log.deviceStatus;
    log.deviceStatus = status;
    if (reading.detailsRead) {
        QSet<quint32> present;
        for (const DeviceEventEntry &entry : reading.entries) {
            present.insert(keyOf(entry));
            const EventItem described = describe ? describe(entry.code) : EventItem();
            EventPage::DiagnosisItem *item = raise(port, DeviceEvent, described.name, keyOf(entry));
            if (!item)
                continue;
            item->fromDevice = true;
            item->code = entry.code;
            item->qualifier = entry.qualifier;
            item->detail = described.description;
            changed = true;
        }
        for (const auto &e : qAsConst(log.events)) {
            if (e->kind == DeviceEvent && e->item->isError && !present.contains(e->key)) {
                e->item->isError = false;
                e->item->recoveryTime = now();
                changed = true;
            }
        }
    }
    if (changed)
        emit eventsChanged(port);
}

void PortEventLog::redescribe(int port, const std::function<EventItem(quint16 code)> &describe)
{
    if (port < 0 || port >= m_ports.size() || !describe)
        return;
    bool changed = false;
    for (const auto &e : qAsConst(m_ports[port].events)) {
        if (e->kind != DeviceEvent || e->ownText)
            continue;
        const EventItem described = describe(e->item->code);
        if (described.name.isEmpty())
            continue;
        e->item->text = described.name;
        e->item->detail = described.description;
        changed = true;
    }
    if (changed)
        emit eventsChanged(port);
}

PortEventLog::Severity PortEventLog::deviceSeverity(int port) const
{
    if (port < 0 || port >= m_ports.size())
        return Severity::None;
    const PortLog &log = m_ports.at(port);
    Severity worst = Severity::None;
    if (log.deviceStatus == int(DeviceStatus::Failure))
        return Severity::Error;
    if (log.deviceStatus > int(DeviceStatus::Ok) && log.deviceStatus < int(DeviceStatus::Failure))
        worst = Severity::Warning;
    for (const auto &e : log.events) {
        if (e->kind != DeviceEvent || !e->item->isError)
            continue;
        const EventType type = EventQualifier::decode(e->item->qualifier).type;
        if (type == EventType::Error)
            return Severity::Error;
        if (type == EventType::Warning)
            worst = Severity::Warning;
    }
    return worst;
}

QString PortEventLog::deviceSummary(int port) const
{
    if (port < 0 || port >= m_ports.size())
        return QString();
    const PortLog &log = m_ports.at(port);
    QStringList lines;
    if (log.deviceStatus > int(DeviceStatus::Ok))
        lines << tr("设备状态：%1").arg(deviceStatusText(quint8(log.deviceStatus)));
    for (const auto &e : log.events) {
        if (e->kind == DeviceEvent && e->item->isError)
            lines << QStringLiteral("%1 %2 %3")
                         .arg(eventTypeText(EventQualifier::decode(e->item->qualifier).type),
                              eventCodeText(e->item->code), e->item->text);
    }
    return lines.join(QLatin1Char('\n'));
}

void PortEventLog::retranslate()
{
    for (int p = 0; p < m_ports.size(); ++p) {
        for (const auto &e : qAsConst(m_ports[p].events)) {
            if (e->ownText)
                e->item->text = ownText(e->kind, p);
        }
        if (!m_ports[p].events.isEmpty())
            emit eventsChanged(p);
    }
}

QMap<uint8_t, EventPage::DiagnosisItem *> PortEventLog::events(int port) const
{
    QMap<uint8_t, EventPage::DiagnosisItem *> map;
    if (port < 0 || port >= m_ports.size())
        return map;
    uint8_t key = 1;
    for (const auto &e : m_ports.at(port).events)
        map.insert(key++, e->item.get());
    return map;
}
