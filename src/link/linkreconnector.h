#ifndef LINKRECONNECTOR_H
#define LINKRECONNECTOR_H

#include <QObject>
#include <QPointer>
#include <QTimer>

class AdapterLink;

// Opens the adapter again once it was unplugged (or was missing at start):
// while the link is not connected, one attempt every retryIntervalMs, which
// closes the dead handle and opens a new one; one attempt at a time.
class LinkReconnector : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(LinkReconnector)

public:
    explicit LinkReconnector(AdapterLink *link, QObject *parent = nullptr);

    static constexpr int retryIntervalMs = 3000;

    bool retrying() const { return m_timer.isActive(); }
    // Sends one attempt: 0 sent, 1 nothing to do (connected, an attempt
    // under way, or no link). reconnected() says when it worked.
    int attempt();

signals:
    void reconnected();

private:
    void onConnectionChanged(bool connected);

    QPointer<AdapterLink> m_link;
    bool m_attempting = false;
    QTimer m_timer;
};

#endif // LINKRECONNECTOR_H
