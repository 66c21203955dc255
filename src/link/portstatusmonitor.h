#ifndef PORTSTATUSMONITOR_H
#define PORTSTATUSMONITOR_H

#include <QObject>
#include <QTimer>
#include <QVector>

// What the adapter reports about one port.
struct PortState
{
    quint8 mode = 0;   // adapterregs::PortMode
    quint16 vendorId = 0;
    quint32 deviceId = 0;

    bool operator==(const PortState &o) const
    {
        return mode == o.mode && vendorId == o.vendorId && deviceId == o.deviceId;
    }
    bool operator!=(const PortState &o) const { return !(*this == o); }
};

// Reads the adapter's port-status block (all eight ports in one request) and
// keeps the hub's activePorts equal to the ports in IO-Link operate. Polls
// once a second and on demand; a poll is skipped while the link is busy, so
// it never splits another view's multi-step exchange. While the adapter lets
// polls wait out the read timeout, the interval doubles up to 30 s; the first
// answer brings it back to a second.
class portStatusMonitor : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(portStatusMonitor)

public:
    explicit portStatusMonitor(QObject *parent = nullptr);

    static constexpr int pollIntervalMs = 1000;
    static constexpr int maxPollIntervalMs = 30000;

    void start();
    void stop();

    // One read: 0 done, 1 skipped (no link or busy), -1 the exchange failed
    // (no port counts as active then).
    int poll();

    const QVector<PortState> &states() const { return m_states; }
    bool adapterAnswers() const { return m_adapterAnswers; }
    // The last poll got no answer within the read timeout.
    bool adapterSilent() const { return m_silentPolls > 0; }
    int currentIntervalMs() const { return m_timer.interval(); }

signals:
    // The port states or the adapter's presence changed.
    void statesChanged();

private:
    int readStates();
    void reschedule(int pollResult);
    void apply(const QVector<PortState> &states, bool answers);

    QTimer m_timer;
    QVector<PortState> m_states;
    bool m_adapterAnswers = false;
    int m_silentPolls = 0;
};

#endif // PORTSTATUSMONITOR_H
