#include "linkreply.h"

#include "adapterlink.h"
#include "linkthread.h"

LinkReply::LinkReply(AdapterLink *link, std::shared_ptr<LinkJobState> job, QObject *owner)
    : QObject(owner), m_link(link), m_job(std::move(job))
{
}

LinkReply::~LinkReply()
{
    m_job->cancelled = true;
    if (m_link)
        m_link->forget(m_job->id);
}

void LinkReply::finish(const LinkResult &result)
{
    m_result = result;
    m_finished = true;
    emit finished();
}

void LinkReply::waitForFinished()
{
    AdapterLink *link = m_link;
    if (m_finished || !link || !link->m_thread)
        return;
    link->m_thread->waitFor(m_job);
    link->deliver(m_job);
}
