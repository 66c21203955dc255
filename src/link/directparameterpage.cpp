#include "directparameterpage.h"

#include "isduexchange.h"
#include "protocol/isdublock.h"

#include <QCoreApplication>

bool DirectParameters::decode(const QByteArray &octets, DirectParameters *out)
{
    if (octets.size() < size)
        return false;
    const auto at = [&octets](int i) { return quint8(octets.at(i)); };
    out->minCycleTime = at(2);
    out->revisionId = at(4);
    out->vendorId = quint16((at(7) << 8) | at(8));
    out->deviceId = (quint32(at(9)) << 16) | (quint32(at(10)) << 8) | at(11);
    return true;
}

int cycleTimeUs(quint8 code)
{
    const int m = code & 0x3F;
    switch (code >> 6) {
    case 0:
        return m * 100;
    case 1:
        return 6400 + m * 400;
    case 2:
        return 32000 + m * 1600;
    default:
        return -1;
    }
}

QString cycleTimeText(quint8 code)
{
    const int us = cycleTimeUs(code);
    if (us < 0)
        return QCoreApplication::translate("DirectParameters", "无效代码 0x%1").arg(code, 2, 16, QLatin1Char('0'));
    return QStringLiteral("%1 ms").arg(us / 1000.0, 0, 'f', 1);
}

IsduRequestBlock directParameterRequest(int port)
{
    return IsduRequestBlock::make(IsduService::read, quint8(port + 1), 0, 0, 0);
}

DirectParameterRead directParametersOf(const IsduExchange &exchange, DirectParameters *out)
{
    switch (exchange.outcome) {
    case IsduOutcome::NoAnswer:
    case IsduOutcome::Cancelled:
        return DirectParameterRead::NoAnswer;
    case IsduOutcome::StillBusy:
    case IsduOutcome::NotOurs:
        return DirectParameterRead::Unclear;
    case IsduOutcome::Answered:
        break;
    }
    if (exchange.response.status() == IsduStatus::communicationFailed)
        return DirectParameterRead::NoDevice;
    if (!exchange.response.success() || !DirectParameters::decode(exchange.response.data(), out))
        return DirectParameterRead::Unclear;
    return DirectParameterRead::Read;
}
