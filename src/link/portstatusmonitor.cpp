#include "portstatusmonitor.h"

#include "protocol/adapterregisters.h"
#include "common.h"
#include "log/hub8log.h"
#include "mymodbus.h"

portStatusMonitor::portStatusMonitor(QObject *parent)
    : QObject(parent), m_states(adapterregs::portCount)
{
    m_timer.setInterval(pollIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &portStatusMonitor::poll);
}

void portStatusMonitor::start()
{
    m_timer.start();
}

void portStatusMonitor::stop()
{
    m_timer.stop();
}

int portStatusMonitor::poll()
{
    const int result = readStates();
    reschedule(result);
    return result;
}

void portStatusMonitor::reschedule(int pollResult)
{
    if (pollResult == 1)
        return;
    // Only a poll that waited out the read timeout backs off: a refused
    // answer or an unplugged adapter costs no time.
    const myModbus *link = common::instance() ? common::instance()->modbus : nullptr;
    const bool silent = pollResult != 0 && link && link->isConnected() && !link->lastAnswered();
    m_silentPolls = silent ? qMin(m_silentPolls + 1, 16) : 0;
    const int interval = qMin(maxPollIntervalMs, pollIntervalMs << qMin(m_silentPolls, 5));
    if (m_timer.interval() != interval)
        m_timer.setInterval(interval);
}

int portStatusMonitor::readStates()
{
    common *hub = common::instance();
    myModbus *link = hub ? hub->modbus : nullptr;
    if (!link || link->busy)
        return 1;
    const int count = adapterregs::portCount * adapterregs::portStatusRegistersPerPort;
    QByteArray regs;
    if (link->readRegistersChecked(adapterregs::portStatus, count, regs) != 0) {
        apply(QVector<PortState>(adapterregs::portCount), false);
        return -1;
    }
    QVector<PortState> states(adapterregs::portCount);
    for (int p = 0; p < adapterregs::portCount; ++p) {
        const auto byte = [&regs, p](int i) { return quint8(regs.at(6 * p + i)); };
        PortState &s = states[p];
        s.mode = byte(0);
        s.deviceId = (quint32(byte(1)) << 16) | (quint32(byte(4)) << 8) | byte(5);
        s.vendorId = quint16((byte(2) << 8) | byte(3));
        if (s.mode > adapterregs::ModeCommunicationLost)
            s.mode = adapterregs::ModeDeactivated;
    }
    apply(states, true);
    return 0;
}

void portStatusMonitor::apply(const QVector<PortState> &states, bool answers)
{
    QSet<int> active;
    for (int p = 0; p < states.size(); ++p)
        if (states.at(p).mode == adapterregs::ModeIoLinkOperate)
            active.insert(p);
    if (common *hub = common::instance()) {
        if (hub->activePorts != active)
            qCDebug(lcLink) << "active ports:" << QList<int>(active.begin(), active.end());
        hub->activePorts = active;
    }
    if (states != m_states || answers != m_adapterAnswers) {
        m_states = states;
        m_adapterAnswers = answers;
        emit statesChanged();
    }
}
