#include "linkthread.h"

#include "log/hub8log.h"

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
    QMutexLocker lock(&m_mutex);
    if (!m_stopping && ms > 0)
        m_wake.wait(&m_mutex, ulong(ms));
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
}

LinkResult LinkThread::execute(ModbusLink &link, LinkJobState &state)
{
    const LinkJob &job = state.job;
    LinkResult r;
    switch (job.kind) {
    case LinkJob::Kind::Open:
        r.rc = link.openDevice();
        break;
    case LinkJob::Kind::Close:
        r.rc = link.closeDevice();
        break;
    case LinkJob::Kind::ReadRegisters:
        r.rc = link.readRegistersChecked(job.address, job.count, r.data);
        break;
    case LinkJob::Kind::WriteRegisters:
        r.rc = job.data.size() >= 2 && job.data.size() % 2 == 0
            ? link.writeRegisters(job.address, job.data, job.data.size() / 2)
            : -1;
        break;
    case LinkJob::Kind::Isdu:
        // A transaction whose reply was deleted meanwhile sends nothing more.
        r.isdu = runIsduExchange(link, job.request, job.pollMs, job.maxWaitMs,
                                 [this, &state](int ms) { return pause(ms) && !state.cancelled; });
        r.rc = r.isdu.answered() ? 0 : -1;
        break;
    case LinkJob::Kind::UsbInfo:
        r.usb = readAdapterUsbInfo();
        r.rc = r.usb.found ? 0 : -1;
        break;
    }
    return r;
}
