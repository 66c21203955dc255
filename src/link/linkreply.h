#ifndef LINKREPLY_H
#define LINKREPLY_H

#include "linkjob.h"

#include <QObject>

#include <memory>

class AdapterLink;

// The answer to one job sent to the AdapterLink. `finished` is emitted once,
// on the thread that owns the link, always after the call that made the reply
// has returned. Deleting the reply cancels its job if the job has not started,
// ends an ISDU transaction at its next step, and drops the result; a reply
// made with an owner is deleted with it, so a page that is gone never hears
// from its jobs and sends nothing more.
class LinkReply : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(LinkReply)

public:
    ~LinkReply() override;

    bool isFinished() const { return m_finished; }
    // The job ran and did what it was asked (an ISDU answer of any status).
    bool succeeded() const { return m_result.rc == 0; }
    const LinkJob &job() const { return m_job->job; }
    const LinkResult &result() const { return m_result; }
    // ReadRegisters: the register octets.
    const QByteArray &data() const { return m_result.data; }
    // Isdu: how the transaction ended; its request is job().request.
    const IsduExchange &isdu() const { return m_result.isdu; }

    // Blocks until the job is done, then emits finished; call it on the
    // link's own thread (the one that made the AdapterLink). For programs
    // without a window to keep live (hub8ctl, benchmarks, tests), never for
    // the GUI.
    void waitForFinished();

signals:
    void finished();

private:
    friend class AdapterLink;
    LinkReply(AdapterLink *link, std::shared_ptr<LinkJobState> job, QObject *owner);
    void finish(const LinkResult &result);

    AdapterLink *m_link;
    std::shared_ptr<LinkJobState> m_job;
    LinkResult m_result;
    bool m_finished = false;
};

#endif // LINKREPLY_H
