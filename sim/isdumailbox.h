#ifndef ISDUMAILBOX_H
#define ISDUMAILBOX_H

#include <QByteArray>
#include <QtGlobal>

#include <functional>

class VirtualDevice;

// The adapter's ISDU mailbox: a request block written by the master is relayed
// to the device of the addressed port; the response block is offered once the
// processing time has passed. Until then a read of it answers status 0x01.
//
// Response block: 0 service, 1 port, 2 status, 3 device error code,
// 4 additional code, 5 0x00, 6 data length, 7.. data.
class IsduMailbox
{
public:
    static constexpr int blockSize = 40;
    static constexpr int maxData = blockSize - 7;

    // Finds the device that answers on a port number 1..8 (null: none, or
    // the port is not in IO-Link operate).
    using DeviceLookup = std::function<VirtualDevice *(int portNumber, bool *portExists)>;

    void reset();
    QByteArray request() const { return m_request; }
    void writeRequestBytes(int offset, const QByteArray &bytes);
    // Processes the request block as it now stands.
    void submit(qint64 nowMs, int latencyMs, const DeviceLookup &lookup, int forcedStatus);
    QByteArray response(qint64 nowMs) const;
    int requestCount() const { return m_requestCount; }

private:
    QByteArray process(const DeviceLookup &lookup) const;

    QByteArray m_request = QByteArray(blockSize, '\0');
    QByteArray m_response = QByteArray(blockSize, '\0');
    qint64 m_readyAt = 0;
    int m_requestCount = 0;
};

#endif // ISDUMAILBOX_H
