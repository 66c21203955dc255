#include "linkthread.h"

#include "log/hub8log.h"

#include <QDeadlineTimer>
#include <QMutexLocker>

LinkThread::LinkThread(std::function<void(const JobPtr &)> finished, QObject *parent)
    : QThread(parent), m_finished(std::move(finished))
{
    setObjectName(QStringLiteral("adapter link"));
}

LinkThread::~LinkThread()
{
    stop();
}

bool LinkThread::post(const JobPtr &job)
{
    QMutexLocker lock(&m_mutex);
    if (m_stopping) {
        job->done = true;
        m_done.wakeAll();
        return false;
    }
    m_queue.push_back(job);
    m_wake.wakeOne();
    return true;
}

void LinkThread::waitFor(const JobPtr &job)
{
    QMutexLocker lock(&m_mutex);
    while (!job->done)
        m_done.wait(&m_mutex);
}

QVector<LinkThread::JobPtr> LinkThread::stop()
{
    QVector<JobPtr> dropped;
    {
        QMutexLocker lock(&m_mutex);
        m_stopping = true;
        for (const JobPtr &job : m_queue) {
            job->done = true;
            dropped.append(job);
        }
        m_queue.clear();
        m_wake.wakeAll();
        m_done.wakeAll();
    }
    wait();
    return dropped;
}

int LinkThread::queued() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_queue.size());
}

bool LinkThread::pause(int ms)
{
    // A job posted meanwhile wakes the thread too: the wait goes on until
    // its end, or until stop().
    QMutexLocker lock(&m_mutex);
    const QDeadlineTimer deadline(qMax(ms, 0));
    while (!m_stopping && !deadline.hasExpired())
        m_wake.wait(&m_mutex, deadline);
    return !m_stopping;
}

void LinkThread::run()
{
    ModbusLink link;
    for (;;) {
        JobPtr job;
        {
            QMutexLocker lock(&m_mutex);
            while (!m_stopping && m_queue.empty())
                m_wake.wait(&m_mutex);
            if (m_stopping)
                break;
            job = m_queue.front();
            m_queue.pop_front();
        }
        if (job->cancelled) {
            QMutexLocker lock(&m_mutex);
            job->done = true;
            m_done.wakeAll();
            continue;
        }
        LinkResult result = execute(link, *job);
        result.ran = true;
        result.exception = link.lastException();
        result.open = link.isOpen();
        result.connected = link.isConnected();
        result.answered = link.lastAnswered();
        result.stats = link.stats();
        {
            QMutexLocker lock(&m_mutex);
            job->result = std::move(result);
            job->done = true;
            m_done.wakeAll();
        }
        m_finished(job);
    }
    link.closeDevice();
    m_lock.release();
}

LinkResult LinkThread::execute(ModbusLink &link, LinkJobState &state)
{
    const LinkJob &job = state.job;
    LinkResult r;
    switch (job.kind) {
    case LinkJob::Kind::Open: {
        // One program per adapter: another's answers would be taken for ours.
        link.closeDevice();
        m_lock.release();
        const QString path = firstAdapterPath();
        if (!path.isEmpty() && !m_lock.acquire(path, &r.lockHolder)) {
            qCDebug(lcLink).noquote() << "the adapter is in use by" << r.lockHolder;
            break;
        }
        r.rc = link.openDevice();
        if (r.rc != 0)
            m_lock.release();
        break;
    }
    case LinkJob::Kind::Close:
        r.rc = link.closeDevice();
        m_lock.release();
        break;
    case LinkJob::Kind::ReadRegisters:
        r.rc = link.readRegisters(job.address, job.count, r.data);
        break;
    case LinkJob::Kind::WriteRegisters:
        r.rc = job.data.size() >= 2 && job.data.size() % 2 == 0
            ? link.writeRegisters(job.address, job.data, job.data.size() / 2)
            : -1;
        break;
    case LinkJob::Kind::Isdu: {
        // A transaction whose reply was deleted meanwhile sends nothing more,
        // its request included when that goes while an earlier one settles.
        const auto pauseUnlessCancelled = [this, &state](int ms) { return pause(ms) && !state.cancelled; };
        if (m_mailboxUnsettled)
            waitForIdleMailbox(link, job.pollMs, job.maxWaitMs, pauseUnlessCancelled);
        if (state.cancelled) {
            r.isdu.outcome = IsduOutcome::Cancelled;
            break;
        }
        r.isdu = runIsduExchange(link, job.request, job.pollMs, job.maxWaitMs, pauseUnlessCancelled);
        m_mailboxUnsettled = r.isdu.outcome == IsduOutcome::StillBusy || r.isdu.outcome == IsduOutcome::Cancelled;
        r.rc = r.isdu.answered() ? 0 : -1;
        break;
    }
    case LinkJob::Kind::UsbInfo:
        r.usb = readAdapterUsbInfo();
        r.rc = r.usb.found ? 0 : -1;
        break;
    }
    return r;
}
