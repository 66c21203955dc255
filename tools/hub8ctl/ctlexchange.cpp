#include "ctlexchange.h"

#include "description/ioddjson.h"
#include "link/adapterlink.h"
#include "link/linkreply.h"

#include <memory>

namespace {

QString hexCode(int code, int digits)
{
    return QStringLiteral("0x%1").arg(code, digits, 16, QLatin1Char('0'));
}

QString adapterStatusText(quint8 status)
{
    switch (status) {
    case IsduStatus::busy:
        return QStringLiteral("The mailbox was still busy after %1 ms").arg(isduWaitMs);
    case IsduStatus::wrongCommand:
        return QStringLiteral("Wrong command type");
    case IsduStatus::communicationFailed:
        return QStringLiteral("No device in IO-Link operate on the port");
    case IsduStatus::wrongPort:
        return QStringLiteral("Wrong port");
    case IsduStatus::wrongLength:
        return QStringLiteral("Wrong data length");
    default:
        return QStringLiteral("Unknown adapter status");
    }
}

} // namespace

bool ctlOpen(AdapterLink *link)
{
    const std::unique_ptr<LinkReply> reply(link->openDevice());
    reply->waitForFinished();
    return reply->succeeded();
}

bool ctlReadRegisters(AdapterLink *link, quint16 address, int count, QByteArray *data)
{
    const std::unique_ptr<LinkReply> reply(link->readRegisters(address, count, nullptr));
    reply->waitForFinished();
    *data = reply->data();
    return reply->succeeded();
}

IsduExchange ctlIsduExchange(AdapterLink *link, const IsduRequestBlock &request)
{
    const std::unique_ptr<LinkReply> job(link->exchangeIsdu(request, isduWaitMs, nullptr, isduPollMs));
    job->waitForFinished();
    return job->isdu();
}

CtlReply ctlIsdu(AdapterLink *link, const IsduRequestBlock &request, bool rightAligned)
{
    const IsduExchange exchange = ctlIsduExchange(link, request);
    CtlReply reply;
    if (exchange.outcome == IsduOutcome::NoAnswer || exchange.outcome == IsduOutcome::Cancelled) {
        reply.linkFailed = true;
        return reply;
    }
    const IsduResponseBlock &response = exchange.response;
    reply.status = response.status();
    if (exchange.succeeded()) {
        reply.ok = true;
        reply.data = rightAligned ? response.dataRightAligned() : response.data();
    } else if (exchange.outcome == IsduOutcome::NotOurs) {
        reply.errorCode = hexCode(reply.status, 2);
        reply.errorText = QStringLiteral("The response belongs to another request");
    } else if (reply.status == IsduStatus::deviceError) {
        reply.errorCode = hexCode(response.deviceError(), 4);
        reply.errorText = isduDeviceErrorText(response.deviceError());
        if (reply.errorText.isEmpty())
            reply.errorText = QStringLiteral("Unknown device error");
    } else {
        reply.errorCode = hexCode(reply.status, 2);
        reply.errorText = adapterStatusText(reply.status);
    }
    return reply;
}

void writeStatus(IoddJson::Writer &w, const CtlReply &reply)
{
    w.value("status", hexCode(reply.status, 2));
    writeError(w, reply);
}

void writeError(IoddJson::Writer &w, const CtlReply &reply)
{
    if (reply.ok) {
        w.null("error");
        return;
    }
    w.beginObject("error");
    if (reply.hasErrorCode)
        w.value("code", reply.errorCode);
    else
        w.null("code");
    w.value("text", reply.errorText);
    w.endObject();
}

QString hexOctets(const QByteArray &octets)
{
    return QString::fromLatin1(octets.toHex(' '));
}
