#include "adapterlink.h"

#include "linkreply.h"
#include "linkthread.h"

#include <QList>
#include <QMetaObject>
#include <QPointer>

#include <utility>

AdapterLink::AdapterLink(QObject *parent) : QObject(parent)
{
    // The thread tells this object of each job it ends; the call is queued
    // to this object's thread and dropped with it.
    m_thread = new LinkThread([this](const LinkThread::JobPtr &job) {
        QMetaObject::invokeMethod(
            this, [this, job] { deliver(job); }, Qt::QueuedConnection);
    });
    m_thread->start();
}

AdapterLink::~AdapterLink()
{
    shutdown();
    delete std::exchange(m_thread, nullptr);
    // Replies still waiting hear now that their jobs will not run, so no
    // page waits for ever; their queued deliveries go with this object.
    QList<QPointer<LinkReply>> waiting;
    for (LinkReply *reply : qAsConst(m_replies))
        waiting << reply;
    m_replies.clear();
    for (const QPointer<LinkReply> &reply : qAsConst(waiting)) {
        if (reply && !reply->m_finished) {
            reply->m_link = nullptr;
            reply->finish(LinkResult());
        }
    }
}

LinkReply *AdapterLink::post(const LinkJob &job, QObject *owner)
{
    auto state = std::make_shared<LinkJobState>();
    state->id = m_nextId++;
    state->job = job;
    auto *reply = new LinkReply(this, state, owner);
    m_replies.insert(state->id, reply);
    if (!m_thread || !m_thread->post(state)) {
        // Shut down: the reply fails, as always after the caller has returned.
        QMetaObject::invokeMethod(
            this, [this, state] { deliver(state); }, Qt::QueuedConnection);
    }
    return reply;
}

LinkReply *AdapterLink::openDevice(QObject *owner)
{
    LinkJob job;
    job.kind = LinkJob::Kind::Open;
    return post(job, owner);
}

LinkReply *AdapterLink::closeDevice(QObject *owner)
{
    LinkJob job;
    job.kind = LinkJob::Kind::Close;
    return post(job, owner);
}

LinkReply *AdapterLink::readRegisters(quint16 address, int count, QObject *owner)
{
    LinkJob job;
    job.kind = LinkJob::Kind::ReadRegisters;
    job.address = address;
    job.count = count;
    return post(job, owner);
}

LinkReply *AdapterLink::writeRegisters(quint16 address, const QByteArray &octets, QObject *owner)
{
    LinkJob job;
    job.kind = LinkJob::Kind::WriteRegisters;
    job.address = address;
    job.data = octets;
    return post(job, owner);
}

LinkReply *AdapterLink::exchangeIsdu(const IsduRequestBlock &request, int maxWaitMs, QObject *owner, int pollMs)
{
    LinkJob job;
    job.kind = LinkJob::Kind::Isdu;
    job.request = request;
    job.pollMs = pollMs;
    job.maxWaitMs = maxWaitMs;
    return post(job, owner);
}

LinkReply *AdapterLink::readUsbInfo(QObject *owner)
{
    LinkJob job;
    job.kind = LinkJob::Kind::UsbInfo;
    return post(job, owner);
}

void AdapterLink::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    const QVector<LinkThread::JobPtr> dropped = m_thread->stop();
    for (const LinkThread::JobPtr &job : dropped)
        QMetaObject::invokeMethod(
            this, [this, job] { deliver(job); }, Qt::QueuedConnection);
    m_state.open = false;
    if (m_state.connected) {
        m_state.connected = false;
        emit connectionChanged(false);
    }
}

void AdapterLink::deliver(const std::shared_ptr<LinkJobState> &job)
{
    // Every job that ran tells how the link stands, its reply deleted or
    // not; a result delivered late (waitForFinished goes first) is older
    // than the state and changes nothing.
    const LinkResult result = job->result;
    if (result.ran && !m_shutDown && job->id > m_stateJob) {
        m_stateJob = job->id;
        updateState(job->job, result);
    }
    LinkReply *reply = m_replies.take(job->id);
    if (!reply || reply->m_finished)
        return;
    reply->m_link = nullptr;
    const QPointer<AdapterLink> self(this);
    reply->finish(result);
    if (self)
        emit jobFinished();
}

void AdapterLink::updateState(const LinkJob &job, const LinkResult &result)
{
    const bool wasConnected = m_state.connected;
    const bool wasKnown = std::exchange(m_state.known, true);
    m_state.open = result.open;
    m_state.connected = result.connected;
    // Silence is learnt from the frames a job sent: the last one got no
    // answer. A handle just opened has sent none.
    const bool frames =
        job.kind != LinkJob::Kind::Open && job.kind != LinkJob::Kind::Close && job.kind != LinkJob::Kind::UsbInfo;
    if (job.kind == LinkJob::Kind::Open)
        m_state.lockHolder = result.lockHolder;
    if (!frames)
        m_state.silent = false;
    else if (result.stats.framesSent > m_state.stats.framesSent)
        m_state.silent = result.connected && !result.answered;
    m_state.stats = result.stats;
    m_state.exception = result.exception;
    if (m_state.connected != wasConnected || !wasKnown)
        emit connectionChanged(m_state.connected);
}
