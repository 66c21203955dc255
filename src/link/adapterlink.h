#ifndef ADAPTERLINK_H
#define ADAPTERLINK_H

#include "linkjob.h"

#include <QHash>
#include <QObject>

#include <memory>

class LinkReply;
class LinkThread;

// The program's way to the adapter. Every call here only queues a job for the
// link's own thread (LinkThread) and returns a LinkReply at once; nothing on
// the caller's thread waits for the USB link. The state getters say how the
// link stood after the last job whose reply was delivered.
class AdapterLink : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(AdapterLink)

public:
    explicit AdapterLink(QObject *parent = nullptr);
    ~AdapterLink() override;

    // Each reply is a child of `owner` (null: the caller deletes it).
    LinkReply *openDevice(QObject *owner = nullptr);
    LinkReply *closeDevice(QObject *owner = nullptr);
    LinkReply *readRegisters(quint16 address, int count, QObject *owner);
    LinkReply *writeRegisters(quint16 address, const QByteArray &octets, QObject *owner);
    // A whole ISDU transaction: the request, then a response read every
    // `pollMs` while the mailbox is busy, `maxWaitMs` at most.
    LinkReply *exchangeIsdu(const IsduRequestBlock &request, int maxWaitMs, QObject *owner, int pollMs = mailboxPollMs);
    LinkReply *readUsbInfo(QObject *owner);
    LinkReply *post(const LinkJob &job, QObject *owner);

    // False until the first job has come back: the link's state is not known yet.
    bool isKnown() const { return m_state.known; }
    bool isOpen() const { return m_state.open; }
    bool isConnected() const { return m_state.connected; }
    // Connected, but the last frame got no answer: periodic readers pause.
    bool isSilent() const { return m_state.silent; }
    const ModbusLink::Stats &stats() const { return m_state.stats; }
    // Who holds the adapter ("vanto-hub8, PID 4242") when the last open
    // found it in another program's use; empty otherwise.
    QString lockHolder() const { return m_state.lockHolder; }
    // The Modbus exception code of the last answer, 0 when it was none.
    int lastException() const { return m_state.exception; }
    // Jobs sent whose replies are not delivered yet.
    int pendingJobs() const { return m_replies.size(); }

    // Drops the queued jobs (their replies finish failed), waits for the job
    // in flight (an ISDU transaction ends at its next step, a register job
    // runs out, up to the read timeout) and closes the adapter. Later jobs
    // fail at once. Called when the window closes and at destruction.
    void shutdown();
    bool isShutDown() const { return m_shutDown; }

    static constexpr int mailboxPollMs = 25;

signals:
    // isConnected() changed, or became known.
    void connectionChanged(bool connected);
    // A reply was delivered; the link's state getters may have changed.
    void jobFinished();

private:
    friend class LinkReply;
    // Takes a done job's state and hands its result to its reply, on the
    // link's owning thread.
    void deliver(const std::shared_ptr<LinkJobState> &job);
    void forget(quint64 id) { m_replies.remove(id); }
    void updateState(const LinkJob &job, const LinkResult &result);

    LinkThread *m_thread = nullptr;
    QHash<quint64, LinkReply *> m_replies;
    quint64 m_nextId = 1;
    quint64 m_stateJob = 0; // the job whose result the state getters show
    struct State
    {
        bool known = false;
        bool open = false;
        bool connected = false;
        bool silent = false;
        int exception = 0;
        QString lockHolder;
        ModbusLink::Stats stats;
    } m_state;
    bool m_shutDown = false;
};

#endif // ADAPTERLINK_H
