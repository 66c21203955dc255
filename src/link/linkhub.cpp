#include "linkhub.h"

#include "adapterlink.h"

#include <QGlobalStatic>

#include <utility>

Q_GLOBAL_STATIC(LinkHub, theHub)

LinkHub::LinkHub() = default;
// The link lives as long as the process: it is released with the hub at exit.
LinkHub::~LinkHub()
{
    delete m_link;
}

LinkHub *LinkHub::instance()
{
    if (theHub.isDestroyed())
        return nullptr;
    return theHub();
}

AdapterLink *LinkHub::setLink(AdapterLink *link)
{
    return std::exchange(m_link, link);
}
