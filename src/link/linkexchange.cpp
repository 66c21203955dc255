#include "linkexchange.h"

#include "common.h"
#include "mymodbus.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

BusyGuard::BusyGuard(myModbus *link, Overlay overlay) : m_link(link), m_overlay(overlay == WithOverlay)
{
    if (m_overlay) {
        if (common *hub = common::instance())
            emit hub->sig_openLoading(true);
    }
    m_link->busy = true;
}

BusyGuard::~BusyGuard()
{
    if (m_overlay) {
        if (common *hub = common::instance())
            emit hub->sig_openLoading(false);
    }
    m_link->busy = false;
}

bool waitUnlessGone(const QObject *page, int ms)
{
    const QPointer<const QObject> alive(page);
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return !alive.isNull();
}
