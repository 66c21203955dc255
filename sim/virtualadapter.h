#ifndef VIRTUALADAPTER_H
#define VIRTUALADAPTER_H

#include "isdumailbox.h"
#include "modbusslave.h"
#include "virtualdevice.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutexLocker>
#include <QRecursiveMutex>

#include <array>
#include <memory>

// The software VANTO-HUB8: eight ports with their IO-Link devices, the
// register map, the ISDU mailbox and the Modbus RTU slave that answers the
// HID reports. One instance per process, reached by the hidapi functions of
// this folder and by tests. The hidapi functions run on the program's link
// thread and hold mutex() while they touch the adapter; tests and the GUI
// change it while the link may run through changeFaults() or under a
// QMutexLocker of mutex().
class VirtualAdapter : public RegisterBank
{
public:
    static constexpr quint16 usbVendorId = 0x2E3C;
    static constexpr quint16 usbProductId = 0xAF01;
    static constexpr int portCount = 8;
    static constexpr int pdWindowBytes = 64;

    enum class Mode : quint8 {
        Deactivated = 0,
        DigitalIn = 1,
        DigitalOut = 2,
        IoLinkStarting = 3,
        IoLinkOperate = 4,
        CommunicationLost = 5,
    };

    struct Port
    {
        Mode mode = Mode::Deactivated;
        std::unique_ptr<VirtualDevice> device;
        QByteArray pdOut = QByteArray(pdWindowBytes, '\0');
        bool digitalOut = false;
    };

    // Test hooks.
    struct Faults
    {
        bool absent = false;              // hid_open finds no adapter
        bool unplugged = false;           // writes and reads fail
        bool silent = false;              // frames get no answer (reads time out)
        bool wrongEcho = false;           // write answers carry another address
        quint8 exception = 0;             // every frame answered with this Modbus exception
        int forcedIsduStatus = -1;        // status byte of every ISDU response
        int isduLatencyMs = 20;           // processing time of the mailbox
        int shortWriteBytes = -1;         // >= 0: hid_write takes only this many bytes of a
                                          // longer report, which never reaches the adapter
        bool wrongCount = false;          // write answers echo another register count, read
                                          // answers carry one register less (both well-formed)
        bool badCrc = false;              // every answer carries a wrong CRC
        int lateAnswerMs = 0;             // answers reach the host this long after their request
                                          // and wait in its input queue until read
        bool unplugAfterWrite = false;    // the next report reaches the adapter, then it is
                                          // unplugged (unplugged set, this one cleared)
        bool readErrorAfterWrite = false; // the first hid_read_timeout after each write
                                          // fails; the answer stays queued
    };

    struct Exchange
    {
        QByteArray request; // the output report as written (65 bytes)
        QByteArray answer;  // the input report (64 bytes), empty when none
    };

    static VirtualAdapter &instance();

    // Back to power-up: all ports deactivated, no devices, no faults, empty log.
    void reset();

    Faults &faults() { return m_faults; }
    // Changes the faults under the adapter's lock: safe while a link runs.
    template <class Change>
    void changeFaults(Change change)
    {
        QMutexLocker lock(&m_mutex);
        change(m_faults);
    }
    QRecursiveMutex &mutex() { return m_mutex; }
    Port &port(int index) { return m_ports[size_t(index)]; }
    void setPort(int index, Mode mode, std::unique_ptr<VirtualDevice> device = nullptr);

    // The transport: one output report in, the input report out (empty: no answer).
    QByteArray handleReport(const QByteArray &report);
    // The Modbus slave on a frame payload, without transport or log.
    QByteArray handleFrame(const QByteArray &payload);

    // Whether the port-status block at 0x3000 is served. Off, the adapter has
    // only the other registers and a read there answers exception 02.
    // reset() turns it back on.
    void setPortStatusBlock(bool served) { m_portStatusBlock = served; }
    bool portStatusBlock() const { return m_portStatusBlock; }

    // The exchanges since the log was last cleared, the newest maxLogSize at most.
    static constexpr int maxLogSize = 8192;
    QList<Exchange> log()
    {
        QMutexLocker lock(&m_mutex);
        return m_log;
    }
    void clearLog()
    {
        QMutexLocker lock(&m_mutex);
        m_log.clear();
    }
    int isduRequestCount() const { return m_mailbox.requestCount(); }
    QByteArray isduRequest() const { return m_mailbox.request(); }

    // State of a port's DI input (toggles once a second).
    bool digitalIn(int index) const;
    qint64 nowMs() const { return m_clock.elapsed(); }

    quint8 readHolding(quint16 address, int count, QByteArray &out) override;
    quint8 writeHolding(quint16 address, const QByteArray &values) override;

private:
    VirtualAdapter();

    QByteArray portStatusRegisters() const;
    QByteArray pdInWindow(int index) const;
    VirtualDevice *operatingDevice(int portNumber, bool *portExists);

    QRecursiveMutex m_mutex;
    std::array<Port, portCount> m_ports;
    Faults m_faults;
    IsduMailbox m_mailbox;
    ModbusSlave m_slave;
    QList<Exchange> m_log;
    QElapsedTimer m_clock;
    bool m_portStatusBlock = true;
};

#endif // VIRTUALADAPTER_H
