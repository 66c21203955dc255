#include "linkreconnector.h"

#include "adapterlink.h"
#include "linkreply.h"
#include "log/hub8log.h"

LinkReconnector::LinkReconnector(AdapterLink *link, QObject *parent) : QObject(parent), m_link(link)
{
    m_timer.setInterval(retryIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &LinkReconnector::attempt);
    if (!link)
        return;
    connect(link, &AdapterLink::connectionChanged, this, &LinkReconnector::onConnectionChanged);
    // A link still opening says how it went with connectionChanged.
    if (link->isKnown())
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
    if (!m_link || m_link->isConnected() || m_attempting)
        return 1;
    m_attempting = true;
    LinkReply *reply = m_link->openDevice(this);
    connect(reply, &LinkReply::finished, this, [this, reply] {
        reply->deleteLater();
        m_attempting = false;
        if (!reply->succeeded())
            return;
        qCDebug(lcLink) << "adapter open again";
        emit reconnected();
    });
    return 0;
}
