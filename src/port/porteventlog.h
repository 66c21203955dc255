#ifndef PORTEVENTLOG_H
#define PORTEVENTLOG_H

#include "description/ioddrecords.h"
#include "devicepages/eventpage.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QVector>

#include <array>
#include <functional>
#include <memory>

struct DeviceStatusReading;
struct PortState;

// The diagnosis events of each port: what the adapter reports (a port losing
// IO-Link communication, the adapter not answering at all) and what the
// device reports in its Detailed Device Status. Each raised event gets a
// record; it clears (recovery time, ok state) when the condition ends. The
// newest events per port are kept.
class PortEventLog : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PortEventLog)

public:
    explicit PortEventLog(int portCount = 8, QObject *parent = nullptr);
    ~PortEventLog() override;

    static constexpr int maxEventsPerPort = 50;

    // Compares the new states with the last ones and raises or clears events.
    // A port that leaves IO-Link operate takes its device's events with it.
    void update(bool adapterAnswers, const QVector<PortState> &states);

    // A read of the device on `port`: events new in its Detailed Device
    // Status are raised, with their texts from `describe`; events no longer
    // in it are cleared. A reading without the details changes no event.
    void updateDevice(int port, const DeviceStatusReading &reading,
                      const std::function<EventItem(quint16 code)> &describe);

    // The device events of `port` named again by `describe` (the
    // description in another language); the port says its events changed.
    void redescribe(int port, const std::function<EventItem(quint16 code)> &describe);

    // How bad the device on `port` says it is, by its last read: the worst
    // type of its events present, and its Device Status (1..3 count as a
    // warning, 4 as an error).
    enum class Severity { None, Warning, Error };
    Severity deviceSeverity(int port) const;
    // The device's status and events present, one line each, for a tool tip;
    // empty when it reports nothing.
    QString deviceSummary(int port) const;

    // The complete current set of a port's events, keyed 1..n oldest first.
    // The log owns the records; they stay valid until the next update.
    QMap<uint8_t, EventPage::DiagnosisItem *> events(int port) const;

    // The language changed: the texts the tool gives its events are made
    // again, and every port with events says its events changed.
    void retranslate();

signals:
    // The events of `port` changed.
    void eventsChanged(int port);

private:
    struct Event
    {
        int kind = 0;
        quint32 key = 0;      // a device event's qualifier and code
        bool ownText = false; // the text is the tool's, not a description's
        std::unique_ptr<EventPage::DiagnosisItem> item;
    };
    struct PortLog
    {
        QList<std::shared_ptr<Event>> events;
        quint8 lastMode = 0;
        int deviceStatus = -1; // as last read; -1 unknown
    };

    // The record of a new event, or null when the same one is still present.
    // Without a text the event gets the tool's own for its kind.
    EventPage::DiagnosisItem *raise(int port, int kind, const QString &text = QString(), quint32 key = 0);
    // Clears the present events of a kind (all keys when `key` is negative).
    void clear(int port, int kind, qint64 key = -1);
    void forgetDevice(int port);

    QVector<PortLog> m_ports;
    bool m_adapterAnswered = true;
    bool m_first = true;
};

#endif // PORTEVENTLOG_H
