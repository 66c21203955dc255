#ifndef LINKJOB_H
#define LINKJOB_H

#include "adapterinfo.h"
#include "isduexchange.h"
#include "modbuslink.h"

#include <QByteArray>

#include <atomic>

// One piece of work for the link's thread, run whole: nothing else reaches
// the adapter between its first frame and its last.
struct LinkJob
{
    enum class Kind {
        Open,           // close what is open, open the adapter
        Close,          // close the adapter
        ReadRegisters,  // `count` registers from `address`
        WriteRegisters, // `data` (2 octets per register) to `address`
        Isdu,           // `request` through the mailbox, polled until answered
        UsbInfo,        // the adapter's USB identity (enumeration and descriptor strings)
    };
    Kind kind = Kind::ReadRegisters;
    quint16 address = 0;
    int count = 0;
    QByteArray data;
    IsduRequestBlock request;
    int pollMs = 25;
    int maxWaitMs = 400;
};

// What a job did, and the link as it stood when it ended.
struct LinkResult
{
    int rc = -1;            // 0 done, -1 failed (or never run)
    bool ran = false;       // false: cancelled or refused before anything was sent
    QByteArray data;        // ReadRegisters: the register octets
    IsduExchange isdu;      // Isdu
    AdapterUsbInfo usb;     // UsbInfo
    int exception = 0;      // the Modbus exception code of the last answer, 0 when none
    QString lockHolder;     // Open: who holds the adapter when another program does
    bool open = false;      // a handle is open
    bool connected = false; // open, and hidapi refused nothing since
    bool answered = false;  // the last frame got an answer report
    ModbusLink::Stats stats;
};

// A job on its way through the queue, shared by the thread that runs it and
// the reply that waits for it. `id` and `job` do not change once posted;
// `cancelled` may be set from any thread; `done` and `result` are written
// under the queue's mutex and read by the link's owner only after `done`
// (through the queued delivery or waitFor()).
struct LinkJobState
{
    quint64 id = 0;
    LinkJob job;
    std::atomic<bool> cancelled{false};
    bool done = false;
    LinkResult result;
};

#endif // LINKJOB_H
