#ifndef DEVICESTATUSPOLLER_H
#define DEVICESTATUSPOLLER_H

#include "protocol/deviceevents.h"

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

// One read of a device's Device Status and Detailed Device Status. A device
// that refuses one of them (it lacks the index) leaves that part unread.
struct DeviceStatusReading
{
    bool statusRead = false;
    quint8 status = 0; // DeviceStatus
    bool detailsRead = false;
    QVector<DeviceEventEntry> entries; // the events present, slot order
};

// The Device Status, an event's type and its mode in words, as the event
// page and the tree show them.
QString deviceStatusText(quint8 status);
QString eventTypeText(EventType type);
QString eventModeText(EventMode mode);
// "0x4210".
QString eventCodeText(quint16 code);

// Reads the Device Status (index 36) and the Detailed Device Status (37) of
// the device on one port through the ISDU mailbox, every pollIntervalMs. A
// turn is skipped while the link is busy or the port is not in IO-Link
// operate; a turn holds the busy flag for its two exchanges, so no other
// reader splits them.
class DeviceStatusPoller : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(DeviceStatusPoller)

public:
    explicit DeviceStatusPoller(int port, QObject *parent = nullptr);

    static constexpr int pollIntervalMs = 2000;
    // How often a response is polled while the mailbox is busy, and how long at most.
    static constexpr int responsePollMs = 50;
    static constexpr int responseWaitMs = 400;

    int port() const { return m_port; }
    // The first turn comes after `firstMs`, the next ones every pollIntervalMs.
    void start(int firstMs = 0);
    void stop();
    bool isActive() const { return m_timer.isActive(); }

    // One turn: 0 read (statusRead emitted), 1 skipped (no link, busy, port
    // not in operate, or the poller was deleted meanwhile), -1 the exchange
    // failed or was not answered clearly.
    int poll();

signals:
    void statusRead(int port, const DeviceStatusReading &reading);

private:
    QTimer m_timer;
    int m_port;
};

Q_DECLARE_METATYPE(DeviceStatusReading)

#endif // DEVICESTATUSPOLLER_H
