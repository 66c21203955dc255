#include "devicestatuspoller.h"

#include "isduexchange.h"
#include "linkexchange.h"
#include "linkhub.h"
#include "modbuslink.h"
#include "portstatusmonitor.h"

#include "log/hub8log.h"
#include "protocol/isdublock.h"

#include <QCoreApplication>

namespace {

enum class Part { Read, Refused, Failed, NoDevice, Gone };

// Reads one whole index of the device on `port`.
Part readIndex(ModbusLink *link, int port, quint16 index, const QObject *waiter, QByteArray *data)
{
    const IsduRequestBlock request = IsduRequestBlock::make(IsduService::read, quint8(port + 1), index, 0, 0);
    const IsduExchange exchange =
        exchangeIsdu(link, request, waiter, DeviceStatusPoller::responsePollMs, DeviceStatusPoller::responseWaitMs);
    switch (exchange.outcome) {
    case IsduOutcome::Gone:
        return Part::Gone;
    case IsduOutcome::NoAnswer:
        return Part::NoDevice;
    case IsduOutcome::StillBusy:
    case IsduOutcome::NotOurs:
        return Part::Failed;
    case IsduOutcome::Answered:
        break;
    }
    if (exchange.response.success()) {
        *data = exchange.response.data();
        return Part::Read;
    }
    // Refused: the device has no such index, or the adapter cannot carry
    // its length in one response.
    return exchange.response.status() == IsduStatus::communicationFailed ? Part::NoDevice : Part::Refused;
}

} // namespace

QString deviceStatusText(quint8 status)
{
    switch (DeviceStatus(status)) {
    case DeviceStatus::Ok:
        return QCoreApplication::translate("DeviceStatus", "正常");
    case DeviceStatus::MaintenanceRequired:
        return QCoreApplication::translate("DeviceStatus", "需要维护");
    case DeviceStatus::OutOfRatedRange:
        return QCoreApplication::translate("DeviceStatus", "超出规格");
    case DeviceStatus::FunctionalCheck:
        return QCoreApplication::translate("DeviceStatus", "功能检查");
    case DeviceStatus::Failure:
        return QCoreApplication::translate("DeviceStatus", "故障");
    }
    return QCoreApplication::translate("DeviceStatus", "保留值 %1").arg(status);
}

QString eventTypeText(EventType type)
{
    switch (type) {
    case EventType::Notification:
        return QCoreApplication::translate("DeviceStatus", "通知");
    case EventType::Warning:
        return QCoreApplication::translate("DeviceStatus", "警告");
    case EventType::Error:
        return QCoreApplication::translate("DeviceStatus", "错误");
    case EventType::Reserved:
        break;
    }
    return QCoreApplication::translate("DeviceStatus", "保留");
}

QString eventModeText(EventMode mode)
{
    switch (mode) {
    case EventMode::Appears:
        return QCoreApplication::translate("DeviceStatus", "出现");
    case EventMode::Disappears:
        return QCoreApplication::translate("DeviceStatus", "消失");
    case EventMode::SingleShot:
        return QCoreApplication::translate("DeviceStatus", "单次");
    case EventMode::Reserved:
        break;
    }
    return QCoreApplication::translate("DeviceStatus", "保留");
}

QString eventCodeText(quint16 code)
{
    return QStringLiteral("0x") + QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

DeviceStatusPoller::DeviceStatusPoller(int port, QObject *parent) : QObject(parent), m_port(port)
{
    qRegisterMetaType<DeviceStatusReading>();
    connect(&m_timer, &QTimer::timeout, this, [this]() {
        m_timer.setInterval(pollIntervalMs);
        poll(); // may delete this
    });
}

void DeviceStatusPoller::start(int firstMs)
{
    m_timer.start(firstMs);
}

void DeviceStatusPoller::stop()
{
    m_timer.stop();
}

int DeviceStatusPoller::poll()
{
    LinkHub *hub = LinkHub::instance();
    ModbusLink *link = hub ? hub->link() : nullptr;
    if (!link || link->isBusy() || !hub->activePorts().contains(m_port))
        return 1;
    // After a wait that saw this object deleted nothing of it may be touched.
    const int port = m_port;
    DeviceStatusReading reading;
    Part status = Part::Failed;
    Part details = Part::Failed;
    {
        const BusyGuard busy(link);
        QByteArray octets;
        status = readIndex(link, port, DeviceEvents::deviceStatusIndex, this, &octets);
        if (status == Part::Gone)
            return 1;
        reading.statusRead = status == Part::Read && !octets.isEmpty();
        reading.status = reading.statusRead ? quint8(octets.at(0)) : 0;
        if (status == Part::Read || status == Part::Refused) {
            details = readIndex(link, port, DeviceEvents::detailedStatusIndex, this, &octets);
            if (details == Part::Gone)
                return 1;
            reading.detailsRead = details == Part::Read;
            if (reading.detailsRead)
                reading.entries = decodeDetailedDeviceStatus(octets);
        }
    }
    const auto usable = [](Part p) { return p == Part::Read || p == Part::Refused; };
    if (!usable(status) || !usable(details)) {
        if (status == Part::NoDevice || details == Part::NoDevice)
            PortStatusMonitor::relearn(port);
        qCDebug(lcLink) << "device status of port" << port + 1 << "not read";
        return -1;
    }
    emit statusRead(port, reading);
    return 0;
}
