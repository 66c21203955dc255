#include "linkhub.h"

#include "modbuslink.h"

#include <QGlobalStatic>

#include <utility>

Q_GLOBAL_STATIC(LinkHub, g_hub)

LinkHub::LinkHub() = default;
// The link lives as long as the process: it is released with the hub at exit.
LinkHub::~LinkHub()
{
    delete m_link;
}

LinkHub *LinkHub::instance()
{
    if (g_hub.isDestroyed())
        return nullptr;
    return g_hub();
}

ModbusLink *LinkHub::setLink(ModbusLink *link)
{
    return std::exchange(m_link, link);
}
