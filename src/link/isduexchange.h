#ifndef ISDUEXCHANGE_H
#define ISDUEXCHANGE_H

#include "protocol/isdublock.h"

class QObject;
class ModbusLink;

// How one request through the adapter's ISDU mailbox ended.
enum class IsduOutcome {
    Answered,  // the mailbox answered this request: see the response's status
    NoAnswer,  // the link failed: no valid answer to the request write or a response read
    StillBusy, // the mailbox still said busy when the wait ran out, or another
               // exchange was waiting for it (nothing sent)
    NotOurs,   // the response belongs to another request (service or port differ)
    Gone,      // the waiter was deleted during a wait
};

struct IsduExchange
{
    IsduOutcome outcome = IsduOutcome::NoAnswer;
    IsduResponseBlock response; // the last response block read

    bool answered() const { return outcome == IsduOutcome::Answered; }
    // Answered with status 0x00 or 0x02.
    bool succeeded() const { return answered() && response.success(); }
};

// One ISDU exchange: writes `request` to the mailbox, then reads the response
// every `pollMs` while the mailbox says busy, for `maxWaitMs` at most (one
// read at least). The waits run a local event loop. With a `waiter`, a
// deletion of it during a wait ends the exchange as Gone and the caller must
// not touch it; null watches nothing. The caller holds the link's busy flag
// when other readers may run meanwhile.
IsduExchange exchangeIsdu(ModbusLink *link, const IsduRequestBlock &request, const QObject *waiter, int pollMs,
                          int maxWaitMs);

#endif // ISDUEXCHANGE_H
