#ifndef SIMHELPERS_H
#define SIMHELPERS_H

// Set-up of the tests that run against the virtual adapter: the adapter at
// power-up, a mailbox exchange without transport, and the hub's link.

#include "protocol/modbusframe.h"
#include "virtualadapter.h"

#if __has_include("link/linkhub.h")
#include "link/adapterlink.h"
#include "link/linkhub.h"
#include "link/linkreply.h"
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#define HUB8_TEST_LINK 1
#endif

namespace SimHelpers {

// The virtual adapter with no ports in use and a mailbox that answers at once.
inline VirtualAdapter &freshAdapter()
{
    VirtualAdapter &adapter = VirtualAdapter::instance();
    adapter.reset();
    adapter.faults().isduLatencyMs = 0;
    return adapter;
}

// The request block written to the mailbox registers and the 40-octet response
// block read back; empty when the write got no answer.
inline QByteArray isdu(quint8 service, quint8 port, quint16 index, quint8 sub, const QByteArray &data = {})
{
    VirtualAdapter &adapter = VirtualAdapter::instance();
    QByteArray block = QByteArray(1, char(service)) + char(port) + '\0' + char(index >> 8) + char(index & 0xFF)
        + char(sub) + char(data.size()) + data;
    block += QByteArray(40 - block.size(), '\0');
    if (adapter.handleFrame(ModbusFrame::writeRequest(0x3500, 20, block)).isEmpty())
        return QByteArray();
    return adapter.handleFrame(ModbusFrame::readRequest(0x3600, 20)).mid(3, 40);
}

#ifdef HUB8_TEST_LINK
// A new, opened link on the hub: a link that saw an unplug stays dead until it
// is opened again. The hub deletes the last one at exit.
inline bool openHubLink()
{
    delete LinkHub::instance()->setLink(new AdapterLink);
    const std::unique_ptr<LinkReply> open(LinkHub::instance()->link()->openDevice());
    QSignalSpy finished(open.get(), &LinkReply::finished);
    return finished.wait(5000) && open->succeeded();
}

// One job on the hub's link, waited for: 0 done, -1 failed.
inline int readRegisters(quint16 address, int count, QByteArray *out = nullptr)
{
    const std::unique_ptr<LinkReply> reply(LinkHub::instance()->link()->readRegisters(address, count, nullptr));
    reply->waitForFinished();
    if (out)
        *out = reply->data();
    return reply->succeeded() ? 0 : -1;
}

// Waits, with the event loop running, until the hub's link has delivered
// every reply it was asked for; false after `ms`.
inline bool linkIdle(int ms = 5000)
{
    AdapterLink *link = LinkHub::instance()->link();
    QElapsedTimer t;
    t.start();
    while (link && link->pendingJobs() > 0 && t.elapsed() < ms)
        QTest::qWait(5);
    return !link || link->pendingJobs() == 0;
}
#endif

} // namespace SimHelpers

#endif // SIMHELPERS_H
