#ifndef ISDUEXCHANGE_H
#define ISDUEXCHANGE_H

#include "protocol/isdublock.h"

#include <functional>

class ModbusLink;

// How one request through the adapter's ISDU mailbox ended.
enum class IsduOutcome {
    Answered,  // the mailbox answered this request: see the response's status
    NoAnswer,  // the link failed: no valid answer to the request write or a response read
    StillBusy, // the mailbox still said busy when the wait ran out
    NotOurs,   // the response names another service or port than the request
    Cancelled, // the link was shut down or the reply deleted during the wait; nothing more was sent
};

struct IsduExchange
{
    IsduOutcome outcome = IsduOutcome::NoAnswer;
    IsduResponseBlock response; // the last response block read

    bool answered() const { return outcome == IsduOutcome::Answered; }
    // Answered with status 0x00 or 0x02.
    bool succeeded() const { return answered() && response.success(); }
};

// One whole ISDU transaction on the link's thread: writes `request` to the
// mailbox, then reads the response every `pollMs` while the mailbox says
// busy, for `maxWaitMs` at most (one read at least). `pause(ms)` sleeps
// between the steps and returns false when the transaction is to end.
IsduExchange runIsduExchange(ModbusLink &link, const IsduRequestBlock &request, int pollMs, int maxWaitMs,
                             const std::function<bool(int)> &pause);

// After a transaction that ended while the mailbox was still busy with it:
// reads the response every `pollMs` until the mailbox is done with that
// request, `maxWaitMs` at most, so its late answer cannot pass for the next
// request's. False when it stayed busy or the link failed.
bool waitForIdleMailbox(ModbusLink &link, int pollMs, int maxWaitMs, const std::function<bool(int)> &pause);

#endif // ISDUEXCHANGE_H
