#ifndef PORTEVENTLOG_H
#define PORTEVENTLOG_H

#include "views/widget_event.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QVector>

#include <array>
#include <memory>

struct PortState;

// The diagnosis events of each port, derived from what the adapter reports:
// a port losing IO-Link communication, and the adapter not answering at all.
// Each raised event gets a record; it clears (recovery time, ok state) when
// the condition ends. The newest events per port are kept.
class portEventLog : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(portEventLog)

public:
    explicit portEventLog(int portCount = 8, QObject *parent = nullptr);
    ~portEventLog() override;

    static constexpr int maxEventsPerPort = 50;

    // Compares the new states with the last ones and raises or clears events.
    void update(bool adapterAnswers, const QVector<PortState> &states);

    // The complete current set of a port's events, keyed 1..n oldest first.
    // The log owns the records; they stay valid until the next update.
    QMap<uint8_t, widget_event::diagnosisItem *> events(int port) const;

signals:
    // The events of `port` changed.
    void eventsChanged(int port);

private:
    struct Event
    {
        int kind = 0;
        std::unique_ptr<widget_event::diagnosisItem> item;
    };
    struct PortLog
    {
        QList<std::shared_ptr<Event>> events;
        quint8 lastMode = 0;
    };

    void raise(int port, int kind, const QString &text);
    void clear(int port, int kind);

    QVector<PortLog> m_ports;
    bool m_adapterAnswered = true;
    bool m_first = true;
};

#endif // PORTEVENTLOG_H
