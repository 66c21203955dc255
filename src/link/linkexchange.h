#ifndef LINKEXCHANGE_H
#define LINKEXCHANGE_H

#include <QtGlobal>

class QObject;
class ModbusLink;

// Marks the link busy for the lifetime of the guard, so the periodic readers
// (port status, process data, DI) skip their turn while a page runs a
// multi-step exchange. Puts back what it found however the exchange ends,
// even when the page is gone by then: a guard taken inside another's wait
// leaves the outer exchange marked busy.
class BusyGuard
{
    Q_DISABLE_COPY(BusyGuard)

public:
    explicit BusyGuard(ModbusLink *link);
    ~BusyGuard();

private:
    ModbusLink *m_link;
    bool m_wasBusy;
};

// Waits `ms` in a local event loop; the window stays live meanwhile. Returns
// false when `page` was deleted during the wait: the caller must then return
// without touching it.
bool waitUnlessGone(const QObject *page, int ms);

#endif // LINKEXCHANGE_H
