#include "devicestatuspoller.h"

#include "adapterlink.h"
#include "linkhub.h"
#include "linkreply.h"
#include "portstatusmonitor.h"

#include "log/hub8log.h"
#include "protocol/isdublock.h"

#include <QCoreApplication>

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
        poll();
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
    AdapterLink *link = hub ? hub->link() : nullptr;
    if (!link || m_polling || link->isSilent() || !hub->activePorts().contains(m_port))
        return 1;
    m_polling = true;
    m_reading = DeviceStatusReading();
    readIndex(DeviceEvents::deviceStatusIndex);
    return 0;
}

void DeviceStatusPoller::readIndex(quint16 index)
{
    const IsduRequestBlock request = IsduRequestBlock::make(IsduService::read, quint8(m_port + 1), index, 0, 0);
    LinkReply *reply = LinkHub::instance()->link()->exchangeIsdu(request, responseWaitMs, this, responsePollMs);
    const bool status = index == DeviceEvents::deviceStatusIndex;
    connect(reply, &LinkReply::finished, this, [this, reply, status] {
        reply->deleteLater();
        if (status)
            onStatusAnswered(reply);
        else
            onDetailsAnswered(reply);
    });
}

DeviceStatusPoller::Part DeviceStatusPoller::partOf(const LinkReply *reply)
{
    const IsduExchange &exchange = reply->isdu();
    switch (exchange.outcome) {
    case IsduOutcome::NoAnswer:
    case IsduOutcome::Cancelled:
        return Part::NoDevice;
    case IsduOutcome::StillBusy:
    case IsduOutcome::NotOurs:
        return Part::Failed;
    case IsduOutcome::Answered:
        break;
    }
    if (exchange.response.success())
        return Part::Read;
    // Refused: the device has no such index, or the adapter cannot carry
    // its length in one response.
    return exchange.response.status() == IsduStatus::communicationFailed ? Part::NoDevice : Part::Refused;
}

void DeviceStatusPoller::onStatusAnswered(LinkReply *reply)
{
    const Part status = partOf(reply);
    if (status != Part::Read && status != Part::Refused) {
        fail(status);
        return;
    }
    const QByteArray octets = reply->isdu().response.data();
    m_reading.statusRead = status == Part::Read && !octets.isEmpty();
    m_reading.status = m_reading.statusRead ? quint8(octets.at(0)) : 0;
    if (!LinkHub::instance() || !LinkHub::instance()->link()) {
        fail(Part::Failed);
        return;
    }
    readIndex(DeviceEvents::detailedStatusIndex);
}

void DeviceStatusPoller::onDetailsAnswered(LinkReply *reply)
{
    const Part details = partOf(reply);
    if (details != Part::Read && details != Part::Refused) {
        fail(details);
        return;
    }
    m_reading.detailsRead = details == Part::Read;
    if (m_reading.detailsRead)
        m_reading.entries = decodeDetailedDeviceStatus(reply->isdu().response.data());
    m_polling = false;
    emit statusRead(m_port, m_reading);
}

void DeviceStatusPoller::fail(Part part)
{
    m_polling = false;
    if (part == Part::NoDevice)
        PortStatusMonitor::relearn(m_port);
    qCDebug(lcLink) << "device status of port" << m_port + 1 << "not read";
    emit readFailed(m_port);
}
