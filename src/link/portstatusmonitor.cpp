#include "portstatusmonitor.h"

#include "adapterlink.h"
#include "directparameterpage.h"
#include "linkhub.h"
#include "linkreply.h"

#include "log/hub8log.h"
#include "protocol/adapterregisters.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>

namespace {

constexpr quint8 illegalDataAddress = 0x02;

// Ports the pages asked to have looked at again.
QSet<int> &relearnRequests()
{
    static QSet<int> ports;
    return ports;
}

QList<int> allPorts()
{
    QList<int> ports;
    for (int p = 0; p < AdapterRegisters::portCount; ++p)
        ports << p;
    return ports;
}

} // namespace

QString portModeText(quint8 mode)
{
    switch (mode) {
    case AdapterRegisters::ModeDeactivated:
        return QCoreApplication::translate("PortState", "未激活");
    case AdapterRegisters::ModeDigitalIn:
        return QStringLiteral("DI");
    case AdapterRegisters::ModeDigitalOut:
        return QStringLiteral("DO");
    case AdapterRegisters::ModeIoLinkStarting:
        return QCoreApplication::translate("PortState", "IO-Link 启动中");
    case AdapterRegisters::ModeIoLinkOperate:
        return QCoreApplication::translate("PortState", "IO-Link 运行");
    case AdapterRegisters::ModeCommunicationLost:
        return QCoreApplication::translate("PortState", "通信中断");
    default:
        return QCoreApplication::translate("PortState",
                                           "未知（适配器不报告端口状态，端口上没有运行中的 IO-Link 设备应答）");
    }
}

PortStatusMonitor::PortStatusMonitor(QObject *parent) : QObject(parent), m_states(AdapterRegisters::portCount)
{
    m_timer.setInterval(pollIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &PortStatusMonitor::poll);
}

void PortStatusMonitor::start()
{
    m_timer.start();
}

void PortStatusMonitor::stop()
{
    m_timer.stop();
}

int PortStatusMonitor::poll()
{
    LinkHub *hub = LinkHub::instance();
    AdapterLink *link = hub ? hub->link() : nullptr;
    if (!link || m_polling)
        return 1;
    if (!m_blockServed) {
        // The ports the pages asked for; all while the adapter was not answering.
        QList<int> ports = m_adapterAnswers ? relearnRequests().values() : allPorts();
        std::sort(ports.begin(), ports.end());
        return learnFromDevices(ports);
    }
    m_polling = true;
    const int count = AdapterRegisters::portCount * AdapterRegisters::portStatusRegistersPerPort;
    LinkReply *reply = link->readRegisters(AdapterRegisters::portStatus, count, this);
    connect(reply, &LinkReply::finished, this, [this, reply] { onStatusRead(reply); });
    return 0;
}

void PortStatusMonitor::onStatusRead(LinkReply *reply)
{
    reply->deleteLater();
    const LinkResult &r = reply->result();
    if (!reply->succeeded()) {
        if (r.exception == illegalDataAddress) {
            qCInfo(lcLink) << "the adapter has no port-status block: port states come from the devices";
            m_blockServed = false;
            m_polling = false;
            learnFromDevices(allPorts());
            return;
        }
        apply(QVector<PortState>(AdapterRegisters::portCount), false);
        // Only a poll that waited out the read timeout backs off: a refused
        // answer or an unplugged adapter costs no time.
        finishPoll(-1, r.ran && r.connected && !r.answered);
        return;
    }
    const QByteArray &regs = reply->data();
    QVector<PortState> states(AdapterRegisters::portCount);
    for (int p = 0; p < AdapterRegisters::portCount; ++p) {
        const auto byte = [&regs, p](int i) { return quint8(regs.at(6 * p + i)); };
        PortState &s = states[p];
        s.mode = byte(0);
        s.deviceId = (quint32(byte(1)) << 16) | (quint32(byte(4)) << 8) | byte(5);
        s.vendorId = quint16((byte(2) << 8) | byte(3));
        if (s.mode > AdapterRegisters::ModeCommunicationLost)
            s.mode = AdapterRegisters::ModeDeactivated;
    }
    relearnRequests().clear(); // the block told about every port
    apply(states, true);
    finishPoll(0, false);
}

void PortStatusMonitor::finishPoll(int result, bool silent)
{
    m_polling = false;
    m_silentPolls = silent ? qMin(m_silentPolls + 1, 16) : 0;
    const int interval = qMin(maxPollIntervalMs, pollIntervalMs << qMin(m_silentPolls, 5));
    if (m_timer.interval() != interval)
        m_timer.setInterval(interval);
    emit pollFinished(result);
}

int PortStatusMonitor::refreshPort(int port)
{
    if (m_blockServed)
        return poll();
    if (m_polling)
        return 1;
    // After a failed exchange the other ports' states are not known either.
    return learnFromDevices(m_adapterAnswers ? QList<int>{port} : allPorts());
}

void PortStatusMonitor::relearn(int port)
{
    if (port >= 0 && port < AdapterRegisters::portCount)
        relearnRequests().insert(port);
}

int PortStatusMonitor::learnFromDevices(const QList<int> &ports)
{
    LinkHub *hub = LinkHub::instance();
    if (!hub || !hub->link() || ports.isEmpty())
        return 1;
    m_polling = true;
    m_learnQueue = ports;
    m_learnt = m_states;
    learnNext();
    return 0;
}

void PortStatusMonitor::learnNext()
{
    while (!m_learnQueue.isEmpty() && (m_learnQueue.first() < 0 || m_learnQueue.first() >= m_learnt.size()))
        m_learnQueue.removeFirst();
    LinkHub *hub = LinkHub::instance();
    if (m_learnQueue.isEmpty() || !hub || !hub->link()) {
        apply(m_learnt, true);
        finishPoll(0, false);
        return;
    }
    const int port = m_learnQueue.first();
    relearnRequests().remove(port);
    LinkReply *reply =
        hub->link()->exchangeIsdu(directParameterRequest(port), directParameterWaitMs, this, directParameterPollMs);
    connect(reply, &LinkReply::finished, this, [this, reply] { onDirectParametersRead(reply); });
}

void PortStatusMonitor::onDirectParametersRead(LinkReply *reply)
{
    reply->deleteLater();
    const int port = m_learnQueue.takeFirst();
    DirectParameters page;
    const DirectParameterRead result = directParametersOf(reply->isdu(), &page);
    if (result == DirectParameterRead::NoAnswer) {
        PortState unknown;
        unknown.mode = PortState::modeUnknown;
        apply(QVector<PortState>(AdapterRegisters::portCount, unknown), false);
        m_learnQueue.clear();
        const LinkResult &r = reply->result();
        finishPoll(-1, r.ran && r.connected && !r.answered);
        return;
    }
    PortState &s = m_learnt[port];
    s = PortState();
    s.mode = PortState::modeUnknown;
    if (result == DirectParameterRead::Read) {
        s.mode = AdapterRegisters::ModeIoLinkOperate;
        s.vendorId = page.vendorId;
        s.deviceId = page.deviceId;
    }
    learnNext();
}

void PortStatusMonitor::apply(const QVector<PortState> &states, bool answers)
{
    QSet<int> active;
    for (int p = 0; p < states.size(); ++p)
        if (states.at(p).mode == AdapterRegisters::ModeIoLinkOperate)
            active.insert(p);
    if (LinkHub *hub = LinkHub::instance()) {
        if (hub->activePorts() != active)
            qCDebug(lcLink) << "active ports:" << QList<int>(active.begin(), active.end());
        hub->setActivePorts(active);
    }
    if (states != m_states || answers != m_adapterAnswers) {
        m_states = states;
        m_adapterAnswers = answers;
        emit statesChanged();
    }
}
