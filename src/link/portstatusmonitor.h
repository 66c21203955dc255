#ifndef PORTSTATUSMONITOR_H
#define PORTSTATUSMONITOR_H

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVector>

// What the adapter reports about one port.
struct PortState
{
    // Without the adapter's status block, the mode of a port whose device did
    // not answer as an IO-Link device in operate: the port may be off, DI, DO
    // or have a device that is not (yet) in operate.
    static constexpr quint8 modeUnknown = 0xFF;

    quint8 mode = 0; // AdapterRegisters::PortMode or modeUnknown
    quint16 vendorId = 0;
    quint32 deviceId = 0;

    bool operator==(const PortState &o) const
    {
        return mode == o.mode && vendorId == o.vendorId && deviceId == o.deviceId;
    }
    bool operator!=(const PortState &o) const { return !(*this == o); }
};

// The mode in words, as the tree and the port page show it.
QString portModeText(quint8 mode);

class LinkReply;
struct IsduExchange;

// Reads the adapter's port-status block (all eight ports in one request) and
// keeps the hub's activePorts equal to the ports in IO-Link operate. Polls
// once a second and on demand, one poll at a time: a turn that comes while
// the last poll is still queued or running is skipped. While the adapter lets
// polls wait out the read timeout, it asks every 2 s: each such poll holds
// the link's thread (not the window) for the read timeout, and the adapter
// is found again within 3 s of answering. The first answer brings the
// interval back to a second.
class PortStatusMonitor : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PortStatusMonitor)

public:
    explicit PortStatusMonitor(QObject *parent = nullptr);

    static constexpr int pollIntervalMs = 1000;
    static constexpr int maxPollIntervalMs = 2000;

    void start();
    void stop();

    // Sends one read: 0 sent, 1 skipped (no link, or a poll is under way).
    // Its outcome comes with pollFinished.
    int poll();
    bool isPolling() const { return m_polling; }

    const QVector<PortState> &states() const { return m_states; }
    bool adapterAnswers() const { return m_adapterAnswers; }
    // The last poll got no answer within the read timeout.
    bool adapterSilent() const { return m_silentPolls > 0; }
    int currentIntervalMs() const { return m_timer.interval(); }

    // False once the adapter has answered the status read with exception 02:
    // it has no status block. The block is then not asked for again, and the
    // ports' states come from their devices' direct parameter page 1: all
    // ports at once, then a port on refreshPort() or after relearn().
    bool statusBlockServed() const { return m_blockServed; }

    // A click on `port`: poll(), or without the block a read of that port's
    // device (of all ports while the adapter was not answering). Returns as poll().
    int refreshPort(int port);

    // A page whose exchange with `port` failed asks for the port to be looked
    // at again; without the block it is, at the monitor's next turn (which
    // otherwise reads nothing, unless the adapter was not answering).
    static void relearn(int port);

signals:
    // The port states or the adapter's presence changed.
    void statesChanged();
    // A poll ended: 0 read, -1 the exchange failed (no port counts as active then).
    void pollFinished(int result);

private:
    void onStatusRead(LinkReply *reply);
    void finishPoll(int result, bool silent);
    void apply(const QVector<PortState> &states, bool answers);
    // Learns the ports' states from their devices, one port after another;
    // returns as poll().
    int learnFromDevices(const QList<int> &ports);
    void learnNext();
    void onDirectParametersRead(LinkReply *reply);

    QTimer m_timer;
    bool m_polling = false;
    // The ports still to learn from their devices, and what was learnt so far.
    QList<int> m_learnQueue;
    QVector<PortState> m_learnt;
    QVector<PortState> m_states;
    bool m_adapterAnswers = false;
    bool m_blockServed = true;
    int m_silentPolls = 0;
};

#endif // PORTSTATUSMONITOR_H
