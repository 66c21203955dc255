#ifndef CTLEXCHANGE_H
#define CTLEXCHANGE_H

// One ISDU request of hub8ctl and how its answer is reported: the status
// octet and either no error or a code with its text.

#include "link/isduexchange.h"
#include "protocol/isdublock.h"

#include <QByteArray>
#include <QString>

class AdapterLink;

namespace IoddJson {
class Writer;
}

// How long hub8ctl waits for the mailbox: a poll every isduPollMs, at most
// isduWaitMs in all.
constexpr int isduPollMs = 20;
constexpr int isduWaitMs = 2000;

struct CtlReply
{
    bool linkFailed = false; // the adapter gave no valid answer; nothing else is set
    bool ok = false;
    quint8 status = 0;
    bool hasErrorCode = true;
    QString errorCode; // "0x8011" for a device error, "0x06" for an adapter status
    QString errorText;
    QByteArray data; // the data of a successful read
};

// Opens the adapter and waits for it; false when it is not there.
bool ctlOpen(AdapterLink *link);
// Reads `count` registers into *data and waits for them; false when the link failed.
bool ctlReadRegisters(AdapterLink *link, quint16 address, int count, QByteArray *data);
// Sends `request` and waits for the transaction to end.
IsduExchange ctlIsduExchange(AdapterLink *link, const IsduRequestBlock &request);
// Sends `request` and waits for its response. `rightAligned`: a read's data
// as the parameter page takes a whole variable (IsduResponseBlock::dataRightAligned).
CtlReply ctlIsdu(AdapterLink *link, const IsduRequestBlock &request, bool rightAligned = false);

// Writes "status" and "error" of a reply.
void writeStatus(IoddJson::Writer &w, const CtlReply &reply);
// Writes "error" alone: null or {"code": .., "text": ..}.
void writeError(IoddJson::Writer &w, const CtlReply &reply);

// "56 61 6e".
QString hexOctets(const QByteArray &octets);

#endif // CTLEXCHANGE_H
