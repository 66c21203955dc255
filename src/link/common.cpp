#include "common.h"

#include "mymodbus.h"

#include <QGlobalStatic>

Q_GLOBAL_STATIC(common, g_common)

common::common() = default;
// The link lives as long as the process: it is released with the hub at exit.
common::~common()
{
    delete modbus;
}

common *common::instance()
{
    if (g_common.isDestroyed())
        return nullptr;
    return g_common();
}
