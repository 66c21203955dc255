#ifndef MODBUSLINK_H
#define MODBUSLINK_H

#include <QByteArray>
#include <QString>

#include "protocol/isdublock.h"

struct hid_device_;
typedef struct hid_device_ hid_device;

// Modbus RTU frames to slave 0x01 carried in 65-byte HID reports, one
// blocking exchange at a time. Only the link's thread (LinkThread) uses it;
// everyone else sends jobs to AdapterLink. Every operation returns 0 on
// success and -1 on failure; with the device closed they fail at once without
// I/O. The reads and writes take only an answer that belongs to their request
// (slave, function, echoed address and count or byte count, CRC); anything
// else counts as no answer.
class ModbusLink
{
    Q_DISABLE_COPY(ModbusLink)

public:
    ModbusLink() = default;
    ~ModbusLink();

    // Opens the adapter; a handle already open, dead or not, is closed first.
    int openDevice();
    int closeDevice();
    bool isOpen() const { return m_device != nullptr; }
    // Open, and hidapi did not refuse the last write or read: false once the
    // adapter was unplugged, until it is opened again.
    bool isConnected() const { return m_device && !m_hidFailed; }
    // The last exchange got an answer report back, whatever it said.
    bool lastAnswered() const { return m_device && m_lastAnswered; }
    // The Modbus exception code of the last answer, 0 when it was none.
    int lastException() const { return m_lastException; }

    // One exchange: drops answers still queued from earlier requests, writes
    // the request report, reads one answer report (1000 ms at most). A read
    // that times out succeeds with a zeroed reply.
    int transfer(const QByteArray &request, unsigned char reply[65]);

    // Reads 1..29 registers (an answer must fit one report) into out, 2n
    // octets; out is left as it was when the read fails.
    int readRegisters(quint16 address, int n, QByteArray &out);
    // Writes the 2n octets of `data` (missing ones go out as zero).
    int writeRegisters(quint16 address, const QByteArray &data, int n);
    int writeIsduRequest(IsduRequestBlock block);

    static constexpr int readTimeoutMs = 1000;
    // Reports dropped before one request at most; a device that keeps
    // sending does not hold the link forever.
    static constexpr int maxStaleReports = 32;

    // What the link has seen since the program started.
    struct Stats
    {
        quint64 framesSent = 0;   // reports the adapter took whole
        quint64 answers = 0;      // answer reports received
        quint64 timeouts = 0;     // no answer within readTimeoutMs
        quint64 exceptions = 0;   // Modbus exception answers
        quint64 crcErrors = 0;    // answers with a bad CRC
        quint64 droppedStale = 0; // stale answers thrown away before a request
        quint64 failures = 0;     // writes or reads hidapi refused
    };
    const Stats &stats() const { return m_stats; }

private:
    // Sends a read frame and checks the answer; every read logs it the same way.
    int readAndCheck(const QByteArray &frame, unsigned char *reply);
    // How a write and its answer appear on hub8.link.raw: the request report
    // after requestTag (the bare hex when null), the first replyBytes octets of
    // the answer after replyTag (the answer is not logged when null).
    struct WriteLog
    {
        const char *requestTag = nullptr;
        const char *replyTag = nullptr;
        int replyBytes = 0;
    };

    // Sends a write frame and checks the echo of the answer.
    int writeAndCheck(const QByteArray &frame, const WriteLog &log);
    // True when the reply to the last exchange answers `request`; counts and
    // logs why not.
    bool acceptAnswer(const QByteArray &request, const unsigned char *reply);
    // Reads and drops what is queued; -1 when hidapi fails.
    int dropStaleAnswers();
    // The write and read of transfer(); sets hidFailed when hidapi refused a call.
    int transferReport(const QByteArray &request, unsigned char *reply, bool &hidFailed);
    void logHidError(const char *call);
    void releaseHandle();

    hid_device *m_device = nullptr;
    Stats m_stats;
    bool m_hidFailed = false;
    bool m_lastAnswered = false;
    int m_lastException = 0;
    QString m_lastOpenError;
};

#endif // MODBUSLINK_H
