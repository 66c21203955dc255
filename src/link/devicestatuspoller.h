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

class LinkReply;

// Reads the Device Status (index 36) and the Detailed Device Status (37) of
// the device on one port through the ISDU mailbox, every pollIntervalMs. A
// turn is skipped while the last one is still under way, while the adapter
// is silent, or when the port is not in IO-Link operate.
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

    // Starts one turn: 0 sent, 1 skipped (no link, a turn under way, the
    // adapter silent, or the port not in operate). The turn ends with
    // statusRead, or with readFailed when an exchange failed or was not
    // answered clearly.
    int poll();
    bool isPolling() const { return m_polling; }

signals:
    void statusRead(int port, const DeviceStatusReading &reading);
    void readFailed(int port);

private:
    enum class Part { Read, Refused, Failed, NoDevice };
    static Part partOf(const LinkReply *reply);
    void readIndex(quint16 index);
    void onStatusAnswered(LinkReply *reply);
    void onDetailsAnswered(LinkReply *reply);
    void fail(Part part);

    QTimer m_timer;
    int m_port;
    bool m_polling = false;
    DeviceStatusReading m_reading;
};

Q_DECLARE_METATYPE(DeviceStatusReading)

#endif // DEVICESTATUSPOLLER_H
