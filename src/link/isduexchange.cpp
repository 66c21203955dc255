#include "isduexchange.h"

#include "linkexchange.h"
#include "modbuslink.h"

#include "protocol/adapterregisters.h"

#include <QObject>

IsduExchange exchangeIsdu(ModbusLink *link, const IsduRequestBlock &request, const QObject *waiter, int pollMs,
                          int maxWaitMs)
{
    IsduExchange result;
    // Another exchange waits for its response (this one was started from
    // inside its wait): a new request would take the mailbox from it, and
    // either could read the other's answer.
    if (link->isIsduInFlight()) {
        result.outcome = IsduOutcome::StillBusy;
        return result;
    }
    struct InFlight
    {
        ModbusLink *link;
        explicit InFlight(ModbusLink *l) : link(l) { link->setIsduInFlight(true); }
        ~InFlight() { link->setIsduInFlight(false); }
    } inFlight(link);
    if (link->writeIsduRequest(request) != 0)
        return result;
    // Without a waiter the wait watches a local object, which cannot go away.
    const QObject nobody;
    const QObject *watched = waiter ? waiter : &nobody;
    int waited = 0;
    do {
        if (!waitUnlessGone(watched, pollMs)) {
            result.outcome = IsduOutcome::Gone;
            return result;
        }
        waited += pollMs;
        QByteArray raw;
        if (link->readRegistersChecked(AdapterRegisters::isduResponse, AdapterRegisters::isduBlockRegisters, raw)
            != 0) {
            result.outcome = IsduOutcome::NoAnswer;
            return result;
        }
        result.response = IsduResponseBlock(raw);
        if (result.response.status() == IsduStatus::busy) {
            result.outcome = IsduOutcome::StillBusy;
            continue;
        }
        // Another request took the mailbox meanwhile: this answer is not ours.
        const bool ours =
            result.response.service() == request.service() && result.response.portNumber() == request.portNumber();
        result.outcome = ours ? IsduOutcome::Answered : IsduOutcome::NotOurs;
        return result;
    } while (waited < maxWaitMs);
    return result;
}
