#ifndef LINKHUB_H
#define LINKHUB_H

#include <QObject>
#include <QSet>

class AdapterLink;

// The application-wide hub: views reach the adapter link through it and
// announce application-wide events with its signals.
class LinkHub : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(LinkHub)

public:
    LinkHub();
    ~LinkHub() override;

    // The process-wide object, created on first use; null once it has been
    // destroyed at program exit.
    static LinkHub *instance();

    // Set once at start-up and released with the hub at exit; views skip their
    // adapter actions while it is null. setLink() takes ownership and returns
    // the link it replaces, which the caller then owns.
    AdapterLink *link() const { return m_link; }
    AdapterLink *setLink(AdapterLink *link);
    // Ports (0..7) in IO-Link operate; parameter, process-data actions act
    // only on these.
    const QSet<int> &activePorts() const { return m_activePorts; }
    void setActivePorts(const QSet<int> &ports) { m_activePorts = ports; }

private:
    AdapterLink *m_link = nullptr;
    QSet<int> m_activePorts;
};

#endif // LINKHUB_H
