#include "linkexchange.h"

#include "linkhub.h"
#include "modbuslink.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

BusyGuard::BusyGuard(ModbusLink *link, Overlay overlay) : m_link(link), m_overlay(overlay == WithOverlay)
{
    if (m_overlay) {
        if (LinkHub *hub = LinkHub::instance())
            emit hub->loadingRequested(true);
    }
    m_link->setBusy(true);
}

BusyGuard::~BusyGuard()
{
    if (m_overlay) {
        if (LinkHub *hub = LinkHub::instance())
            emit hub->loadingRequested(false);
    }
    m_link->setBusy(false);
}

bool waitUnlessGone(const QObject *page, int ms)
{
    const QPointer<const QObject> alive(page);
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return !alive.isNull();
}
