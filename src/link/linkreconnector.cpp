#include "linkreconnector.h"

#include "log/hub8log.h"
#include "modbuslink.h"

LinkReconnector::LinkReconnector(ModbusLink *link, QObject *parent) : QObject(parent), m_link(link)
{
    m_timer.setInterval(retryIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &LinkReconnector::attempt);
    if (!link)
        return;
    connect(link, &ModbusLink::connectionChanged, this, &LinkReconnector::onConnectionChanged);
    onConnectionChanged(link->isConnected());
}

void LinkReconnector::onConnectionChanged(bool connected)
{
    if (connected) {
        m_timer.stop();
    } else if (!m_timer.isActive()) {
        qCDebug(lcLink) << "adapter not connected; trying to open it every" << retryIntervalMs << "ms";
        m_timer.start();
    }
}

int LinkReconnector::attempt()
{
    if (!m_link || m_link->isConnected() || m_link->isBusy())
        return 1;
    if (m_link->openDevice() != 0)
        return -1;
    qCDebug(lcLink) << "adapter open again";
    emit reconnected();
    return 0;
}
