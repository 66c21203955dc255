#include "isduexchange.h"

#include "modbuslink.h"

#include "protocol/adapterregisters.h"

IsduExchange runIsduExchange(ModbusLink &link, const IsduRequestBlock &request, int pollMs, int maxWaitMs,
                             const std::function<bool(int)> &pause)
{
    IsduExchange result;
    if (link.writeIsduRequest(request) != 0)
        return result;
    int waited = 0;
    do {
        if (!pause(pollMs)) {
            result.outcome = IsduOutcome::Cancelled;
            return result;
        }
        waited += pollMs;
        QByteArray raw;
        if (link.readRegisters(AdapterRegisters::isduResponse, AdapterRegisters::isduBlockRegisters, raw) != 0) {
            result.outcome = IsduOutcome::NoAnswer;
            return result;
        }
        result.response = IsduResponseBlock(raw);
        if (result.response.status() == IsduStatus::busy) {
            result.outcome = IsduOutcome::StillBusy;
            continue;
        }
        // The link runs one transaction at a time and lets an unfinished one
        // settle first (waitForIdleMailbox), so the mailbox holds this
        // request; a response for another service or port means another
        // program wrote the mailbox meanwhile.
        const bool ours =
            result.response.service() == request.service() && result.response.portNumber() == request.portNumber();
        result.outcome = ours ? IsduOutcome::Answered : IsduOutcome::NotOurs;
        return result;
    } while (waited < maxWaitMs);
    return result;
}

bool waitForIdleMailbox(ModbusLink &link, int pollMs, int maxWaitMs, const std::function<bool(int)> &pause)
{
    for (int waited = 0; waited <= maxWaitMs; waited += pollMs) {
        QByteArray raw;
        if (link.readRegisters(AdapterRegisters::isduResponse, AdapterRegisters::isduBlockRegisters, raw) != 0)
            return false;
        if (IsduResponseBlock(raw).status() != IsduStatus::busy)
            return true;
        if (!pause(pollMs))
            return false;
    }
    return false;
}
