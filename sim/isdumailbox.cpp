#include "isdumailbox.h"

#include "protocol/isdublock.h"

#include "virtualdevice.h"

void IsduMailbox::reset()
{
    m_request.fill('\0', blockSize);
    m_response.fill('\0', blockSize);
    m_readyAt = 0;
    m_requestCount = 0;
}

void IsduMailbox::writeRequestBytes(int offset, const QByteArray &bytes)
{
    for (int i = 0; i < bytes.size() && offset + i < blockSize; ++i)
        m_request[offset + i] = bytes.at(i);
}

void IsduMailbox::submit(qint64 nowMs, int latencyMs, const DeviceLookup &lookup, int forcedStatus)
{
    ++m_requestCount;
    m_response = process(lookup);
    if (forcedStatus >= 0)
        m_response[2] = char(forcedStatus);
    m_readyAt = nowMs + latencyMs;
}

QByteArray IsduMailbox::response(qint64 nowMs) const
{
    if (nowMs < m_readyAt) {
        QByteArray busy(blockSize, '\0');
        busy[0] = m_request.at(0);
        busy[1] = m_request.at(1);
        busy[2] = char(IsduStatus::busy);
        return busy;
    }
    return m_response;
}

QByteArray IsduMailbox::process(const DeviceLookup &lookup) const
{
    QByteArray r(blockSize, '\0');
    const quint8 service = quint8(m_request.at(0));
    const int portNumber = quint8(m_request.at(1));
    const quint16 index = quint16((quint8(m_request.at(3)) << 8) | quint8(m_request.at(4)));
    const quint8 subindex = quint8(m_request.at(5));
    const int length = quint8(m_request.at(6));
    r[0] = char(service);
    r[1] = char(portNumber);
    auto status = [&r](quint8 s) {
        r[2] = char(s);
        return r;
    };

    if (service == 0x00 || service == 0x01) // no operation / clear data
        return status(IsduStatus::ok);
    if (service != 0x02 && service != 0x03)
        return status(IsduStatus::wrongCommand);

    bool portExists = false;
    VirtualDevice *device = lookup(portNumber, &portExists);
    if (!portExists)
        return status(IsduStatus::wrongPort);
    if (!device)
        return status(IsduStatus::communicationFailed);
    if (length > maxData)
        return status(IsduStatus::wrongLength);

    const IsduAnswer answer = service == 0x03 ? device->readIsdu(index, subindex)
                                              : device->writeIsdu(index, subindex, m_request.mid(7, length));
    if (!answer.ok()) {
        r[3] = char(answer.error >> 8);
        r[4] = char(answer.error & 0xFF);
        return status(IsduStatus::deviceError);
    }
    if (service == 0x02)
        return status(IsduStatus::ok);
    if (answer.data.size() > maxData || (length != 0 && answer.data.size() > length))
        return status(IsduStatus::wrongLength);
    r[6] = char(answer.data.size());
    for (int i = 0; i < answer.data.size(); ++i)
        r[7 + i] = answer.data.at(i);
    return status(IsduStatus::ok);
}
