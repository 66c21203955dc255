#ifndef LINKRECONNECTOR_H
#define LINKRECONNECTOR_H

#include <QObject>
#include <QPointer>
#include <QTimer>

class ModbusLink;

// Opens the adapter again once it was unplugged (or was missing at start):
// while the link is not connected, one attempt every retryIntervalMs, which
// closes the dead handle and opens a new one. An attempt waits while a page
// holds the link busy.
class LinkReconnector : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(LinkReconnector)

public:
    explicit LinkReconnector(ModbusLink *link, QObject *parent = nullptr);

    static constexpr int retryIntervalMs = 3000;

    bool retrying() const { return m_timer.isActive(); }
    // One attempt now: 0 the adapter is open again, 1 nothing to do
    // (connected, busy or no link), -1 still not there.
    int attempt();

signals:
    void reconnected();

private:
    void onConnectionChanged(bool connected);

    QPointer<ModbusLink> m_link;
    QTimer m_timer;
};

#endif // LINKRECONNECTOR_H
