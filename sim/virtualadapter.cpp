#include "virtualadapter.h"

#include "protocol/adapterregisters.h"
#include "protocol/modbusframe.h"

#include "log/hub8log.h"

#include <QLoggingCategory>

namespace {
struct Area
{
    quint16 first;
    int count;
};

bool inside(quint16 address, int count, const Area &area)
{
    return address >= area.first && address + count <= area.first + area.count;
}
} // namespace

VirtualAdapter &VirtualAdapter::instance()
{
    static VirtualAdapter adapter;
    return adapter;
}

VirtualAdapter::VirtualAdapter() : m_slave(*this)
{
    m_clock.start();
}

void VirtualAdapter::reset()
{
    QMutexLocker lock(&m_mutex);
    for (Port &p : m_ports) {
        p.mode = Mode::Deactivated;
        p.device.reset();
        p.pdOut.fill('\0', pdWindowBytes);
        p.digitalOut = false;
    }
    m_faults = Faults();
    m_portStatusBlock = true;
    m_mailbox.reset();
    m_log.clear();
}

void VirtualAdapter::setPort(int index, Mode mode, std::unique_ptr<VirtualDevice> device)
{
    QMutexLocker lock(&m_mutex);
    Port &p = m_ports[size_t(index)];
    p.mode = mode;
    p.device = std::move(device);
    p.pdOut.fill('\0', pdWindowBytes);
    p.digitalOut = false;
}

QByteArray VirtualAdapter::handleReport(const QByteArray &report)
{
    QMutexLocker lock(&m_mutex);
    Exchange ex;
    ex.request = report;
    QByteArray answer;
    if (!m_faults.silent && report.size() >= 2) {
        const QByteArray frame = handleFrame(report.mid(1, 64));
        if (!frame.isEmpty()) {
            answer = frame;
            answer.append(QByteArray(64 - frame.size(), '\0'));
        }
    }
    ex.answer = answer;
    // The newest exchanges only: a virtual adapter left running for hours
    // must not grow by every poll. Tests clear the log before they look.
    if (m_log.size() >= maxLogSize)
        m_log.erase(m_log.begin(), m_log.begin() + maxLogSize / 4);
    m_log.append(ex);
    return answer;
}

QByteArray VirtualAdapter::handleFrame(const QByteArray &payload)
{
    if (m_faults.exception != 0) {
        const int len = ModbusSlave::frameLength(payload);
        if (len == 0 || quint8(payload.at(0)) != ModbusSlave::address)
            return QByteArray();
        return ModbusSlave::exceptionAnswer(quint8(payload.at(1)), m_faults.exception);
    }
    QByteArray answer = m_slave.handle(payload);
    if (m_faults.wrongEcho && answer.size() == 8 && quint8(answer.at(1)) == ModbusFrame::fnWriteMultiple) {
        // A well-formed answer that echoes another register address.
        answer.chop(2);
        answer[3] = char(quint8(answer.at(3)) ^ 0x01);
        ModbusFrame::appendCrc(answer);
    }
    if (m_faults.wrongCount && answer.size() >= 5 && !(quint8(answer.at(1)) & 0x80)) {
        // Well-formed, but for another count: the write echo's count, or one register less read.
        answer.chop(2);
        if (quint8(answer.at(1)) == ModbusFrame::fnWriteMultiple) {
            answer[5] = char(quint8(answer.at(5)) ^ 0x01);
        } else if (quint8(answer.at(2)) >= 2) {
            answer.chop(2);
            answer[2] = char(quint8(answer.at(2)) - 2);
        }
        ModbusFrame::appendCrc(answer);
    }
    if (m_faults.badCrc && !answer.isEmpty())
        answer[answer.size() - 1] = char(quint8(answer.at(answer.size() - 1)) ^ 0xFF);
    return answer;
}

bool VirtualAdapter::digitalIn(int index) const
{
    // A switch that changes state once a second, each port in its own phase.
    return ((nowMs() / 1000) + index) % 2 == 1;
}

VirtualDevice *VirtualAdapter::operatingDevice(int portNumber, bool *portExists)
{
    *portExists = portNumber >= 1 && portNumber <= portCount;
    if (!*portExists)
        return nullptr;
    Port &p = m_ports[size_t(portNumber - 1)];
    return p.mode == Mode::IoLinkOperate ? p.device.get() : nullptr;
}

QByteArray VirtualAdapter::portStatusRegisters() const
{
    QByteArray regs;
    for (const Port &p : m_ports) {
        const bool ioLink =
            p.mode == Mode::IoLinkStarting || p.mode == Mode::IoLinkOperate || p.mode == Mode::CommunicationLost;
        const quint16 vendor = ioLink && p.device ? p.device->vendorId() : 0;
        const quint32 device = ioLink && p.device ? p.device->deviceId() : 0;
        regs.append(char(p.mode));
        regs.append(char((device >> 16) & 0xFF));
        regs.append(char(vendor >> 8));
        regs.append(char(vendor & 0xFF));
        regs.append(char((device >> 8) & 0xFF));
        regs.append(char(device & 0xFF));
    }
    return regs;
}

QByteArray VirtualAdapter::pdInWindow(int index) const
{
    QByteArray window(pdWindowBytes, '\0');
    const Port &p = m_ports[size_t(index)];
    if (p.mode == Mode::IoLinkOperate && p.device) {
        const QByteArray pd = p.device->processDataIn(nowMs());
        for (int i = 0; i < pd.size() && i < pdWindowBytes; ++i)
            window[i] = pd.at(i);
    } else if (p.mode == Mode::DigitalIn) {
        window[1] = digitalIn(index) ? 1 : 0;
    }
    return window;
}

quint8 VirtualAdapter::readHolding(quint16 address, int count, QByteArray &out)
{
    const Area status{AdapterRegisters::portStatus, portCount * AdapterRegisters::portStatusRegistersPerPort};
    const Area request{AdapterRegisters::isduRequest, AdapterRegisters::isduBlockRegisters};
    const Area response{AdapterRegisters::isduResponse, AdapterRegisters::isduBlockRegisters};
    if (m_portStatusBlock && inside(address, count, status)) {
        out = portStatusRegisters().mid(2 * (address - status.first), 2 * count);
        return 0;
    }
    if (inside(address, count, request)) {
        out = m_mailbox.request().mid(2 * (address - request.first), 2 * count);
        return 0;
    }
    if (inside(address, count, response)) {
        out = m_mailbox.response(nowMs()).mid(2 * (address - response.first), 2 * count);
        return 0;
    }
    for (int p = 0; p < portCount; ++p) {
        const Area in{AdapterRegisters::pdInWindow(p), AdapterRegisters::pdWindowRegisters};
        const Area outWin{AdapterRegisters::pdOutWindow(p), AdapterRegisters::pdWindowRegisters};
        if (inside(address, count, in)) {
            out = pdInWindow(p).mid(2 * (address - in.first), 2 * count);
            return 0;
        }
        if (inside(address, count, outWin)) {
            out = m_ports[size_t(p)].pdOut.mid(2 * (address - outWin.first), 2 * count);
            return 0;
        }
    }
    return ModbusException::illegalDataAddress;
}

quint8 VirtualAdapter::writeHolding(quint16 address, const QByteArray &values)
{
    const int count = values.size() / 2;
    const Area request{AdapterRegisters::isduRequest, AdapterRegisters::isduBlockRegisters};
    if (inside(address, count, request)) {
        m_mailbox.writeRequestBytes(2 * (address - request.first), values);
        m_mailbox.submit(
            nowMs(), m_faults.isduLatencyMs,
            [this](int portNumber, bool *exists) { return operatingDevice(portNumber, exists); },
            m_faults.forcedIsduStatus);
        return 0;
    }
    for (int p = 0; p < portCount; ++p) {
        const Area outWin{AdapterRegisters::pdOutWindow(p), AdapterRegisters::pdWindowRegisters};
        if (!inside(address, count, outWin))
            continue;
        Port &port = m_ports[size_t(p)];
        const int offset = 2 * (address - outWin.first);
        for (int i = 0; i < values.size(); ++i)
            port.pdOut[offset + i] = values.at(i);
        const QByteArray before = port.device ? port.device->processDataOut() : QByteArray();
        const bool wasOn = port.digitalOut;
        if (port.mode == Mode::DigitalOut) {
            port.digitalOut = (quint8(port.pdOut.at(1)) & 1) != 0;
            if (port.digitalOut != wasOn)
                qCInfo(lcSim).noquote() << QStringLiteral("Port%1 DO %2").arg(p + 1).arg(port.digitalOut ? 1 : 0);
        } else if (port.mode == Mode::IoLinkOperate && port.device) {
            port.device->setProcessDataOut(port.pdOut);
            if (port.device->processDataOut() != before)
                qCInfo(lcSim).noquote() << QStringLiteral("Port%1 output process data:").arg(p + 1)
                                        << port.pdOut.left(count * 2 + offset).toHex(' ');
        }
        return 0;
    }
    return ModbusException::illegalDataAddress;
}
