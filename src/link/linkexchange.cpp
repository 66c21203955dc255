#include "linkexchange.h"

#include "modbuslink.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

BusyGuard::BusyGuard(ModbusLink *link) : m_link(link), m_wasBusy(link->isBusy())
{
    m_link->setBusy(true);
}

BusyGuard::~BusyGuard()
{
    m_link->setBusy(m_wasBusy);
}

bool waitUnlessGone(const QObject *page, int ms)
{
    const QPointer<const QObject> alive(page);
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return !alive.isNull();
}
