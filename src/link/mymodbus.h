#ifndef MYMODBUS_H
#define MYMODBUS_H

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QString>

#include "protocol/isdublock.h"

struct hid_device_;
typedef struct hid_device_ hid_device;

// The one link to the adapter: Modbus RTU frames to slave 0x01 carried in
// 65-byte HID reports. Every operation returns 0 on success and -1 on failure;
// with the device closed they fail at once without I/O.
class myModbus : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(myModbus)

public:
    explicit myModbus(QObject *parent = nullptr);
    ~myModbus() override;

    // Set by a view for the whole of a multi-step exchange; periodic readers
    // skip their turn while it is set. A marker, not a lock.
    bool busy = false;
    // Keeps one write and its read together.
    QMutex linkMutex;

    int openDevice();
    int closeDevice();
    bool isOpen() const { return device != nullptr; }

    // One exchange: writes the request report, reads one answer report
    // (1000 ms at most). A read that times out succeeds with a zeroed reply.
    int transfer(const QByteArray &request, unsigned char reply[65]);

    static quint16 crc16(const unsigned char *data, int length);

    int readRegister(quint16 address, quint16 &value);
    int readRegisters(quint16 address, int n, QByteArray &out);
    // Like readRegisters, but fails unless the answer is a well-formed read
    // answer for n registers (slave, function, byte count and CRC checked).
    int readRegistersChecked(quint16 address, int n, QByteArray &out);
    int readRegistersText(quint16 address, int n, QString &out);
    int writeRegister(quint16 address, quint16 value);
    int writeRegisters(quint16 address, const QByteArray &data, int n);
    int writeRegisterBlock(quint16 address, const unsigned char *data, int n);
    int writeRegistersText(quint16 address, const QString &text);
    int writeIsduRequest(IsduRequestBlock block);

    static constexpr int readTimeoutMs = 1000;

    // What the link has seen since the program started.
    struct Stats
    {
        quint64 framesSent = 0;     // reports the adapter took whole
        quint64 answers = 0;        // answer reports received
        quint64 timeouts = 0;       // no answer within readTimeoutMs
        quint64 exceptions = 0;     // Modbus exception answers
        quint64 crcErrors = 0;      // answers with a bad CRC
        quint64 droppedStale = 0;   // stale answers thrown away before a request
        quint64 failures = 0;       // writes or reads hidapi refused
    };
    const Stats &stats() const { return m_stats; }

private:
    // Sends one request frame; fills reply (zeroed first) with the answer.
    int exchange(const QByteArray &frame, unsigned char reply[65]);
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

    hid_device *device = nullptr;
    Stats m_stats;
};

#endif // MYMODBUS_H
