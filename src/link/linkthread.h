#ifndef LINKTHREAD_H
#define LINKTHREAD_H

#include "adapterlock.h"
#include "linkjob.h"

#include <QMutex>
#include <QThread>
#include <QVector>
#include <QWaitCondition>

#include <deque>
#include <functional>
#include <memory>

// The thread that owns the adapter: every hid_* call of the program runs
// here, one job at a time, in the order the jobs were posted.
class LinkThread : public QThread
{
    Q_OBJECT
    Q_DISABLE_COPY(LinkThread)

public:
    using JobPtr = std::shared_ptr<LinkJobState>;

    // `finished` is called on this thread after each job that ran.
    explicit LinkThread(std::function<void(const JobPtr &)> finished, QObject *parent = nullptr);
    ~LinkThread() override;

    // Queues a job; false (and the job done, not run) once stopping.
    bool post(const JobPtr &job);
    // Blocks the caller until the job is done. For programs without a window
    // to keep live (hub8ctl, benchmarks, tests), never for the GUI.
    void waitFor(const JobPtr &job);
    // Drops the queued jobs, lets the one in flight end at its next step,
    // closes the adapter and ends the thread. Returns the jobs dropped.
    QVector<JobPtr> stop();
    int queued() const;

protected:
    void run() override;

private:
    LinkResult execute(ModbusLink &link, LinkJobState &job);
    // Sleeps up to `ms`; false as soon as stop() was called.
    bool pause(int ms);

    std::function<void(const JobPtr &)> m_finished;
    mutable QMutex m_mutex;
    QWaitCondition m_wake; // a job was posted, or stop() was called
    QWaitCondition m_done; // a job is done
    std::deque<JobPtr> m_queue;
    bool m_stopping = false;
    // The last transaction ended before its answer (link thread only).
    bool m_mailboxUnsettled = false;
    AdapterLock m_lock; // held while the adapter is open (link thread only)
};

#endif // LINKTHREAD_H
