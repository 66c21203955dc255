#include "porteventlog.h"

#include "link/portstatusmonitor.h"
#include "protocol/adapterregisters.h"

#include <QTime>

namespace {
enum Kind { CommunicationLost = 1, AdapterSilent = 2 };

QString now()
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
}
} // namespace

portEventLog::portEventLog(int portCount, QObject *parent) : QObject(parent), m_ports(portCount) {}

portEventLog::~portEventLog() = default;

void portEventLog::raise(int port, int kind, const QString &text)
{
    PortLog &log = m_ports[port];
    for (const auto &e : qAsConst(log.events))
        if (e->kind == kind && e->item->isError)
            return; // still present
    auto event = std::make_shared<Event>();
    event->kind = kind;
    event->item = std::make_unique<widget_event::diagnosisItem>();
    event->item->errorTime = now();
    event->item->text = text;
    event->item->isError = true;
    log.events.append(event);
    while (log.events.size() > maxEventsPerPort)
        log.events.removeFirst();
    emit eventsChanged(port);
}

void portEventLog::clear(int port, int kind)
{
    bool changed = false;
    for (const auto &e : qAsConst(m_ports[port].events)) {
        if (e->kind == kind && e->item->isError) {
            e->item->isError = false;
            e->item->recoveryTime = now();
            changed = true;
        }
    }
    if (changed)
        emit eventsChanged(port);
}

void portEventLog::update(bool adapterAnswers, const QVector<PortState> &states)
{
    if (adapterAnswers != m_adapterAnswered) {
        for (int p = 0; p < m_ports.size(); ++p) {
            if (adapterAnswers)
                clear(p, AdapterSilent);
            else
                raise(p, AdapterSilent, tr("适配器无应答"));
        }
        m_adapterAnswered = adapterAnswers;
    }
    if (!adapterAnswers)
        return;
    for (int p = 0; p < m_ports.size() && p < states.size(); ++p) {
        const quint8 mode = states.at(p).mode;
        PortLog &log = m_ports[p];
        if (mode == adapterregs::ModeCommunicationLost && (m_first || log.lastMode != mode))
            raise(p, CommunicationLost, tr("Port%1 IO-Link 通信中断").arg(p + 1));
        else if (mode != adapterregs::ModeCommunicationLost && log.lastMode == adapterregs::ModeCommunicationLost)
            clear(p, CommunicationLost);
        log.lastMode = mode;
    }
    m_first = false;
}

QMap<uint8_t, widget_event::diagnosisItem *> portEventLog::events(int port) const
{
    QMap<uint8_t, widget_event::diagnosisItem *> map;
    if (port < 0 || port >= m_ports.size())
        return map;
    uint8_t key = 1;
    for (const auto &e : m_ports.at(port).events)
        map.insert(key++, e->item.get());
    return map;
}
