#include "accessibilitybus.h"

#include <QDBusConnection>
#include <QGuiApplication>

#include <system_error>
#include <thread>

namespace accessibilityBus {
namespace {

// Joins at exit when a caller never waited for it (a joinable std::thread
// would end the program). Callers wait themselves, before main() returns:
// in the exit handlers Qt's D-Bus connection manager may be gone already.
struct Connector
{
    std::thread thread;
    ~Connector()
    {
        if (thread.joinable())
            thread.join();
    }
};

Connector &connector()
{
    static Connector instance;
    return instance;
}

bool platformHasBridge()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
}

} // namespace

void connectEarly()
{
    Connector &c = connector();
    if (c.thread.joinable() || !QGuiApplication::instance() || !platformHasBridge())
        return;
    try {
        // Qt keeps the session bus connection for the whole process: the
        // bridge's own request returns this one.
        c.thread = std::thread([] { QDBusConnection::sessionBus(); });
    } catch (const std::system_error &) {
        // No thread to be had: the bridge connects as it would anyway.
    }
}

void await()
{
    Connector &c = connector();
    if (c.thread.joinable())
        c.thread.join();
}

} // namespace accessibilityBus
