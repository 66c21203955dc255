#include "accessibilitybus.h"
#include "startupthread.h"

#include <QDBusConnection>
#include <QGuiApplication>

namespace accessibilityBus {
namespace {

// Waited for by the tool before main() returns: in the exit handlers Qt's
// D-Bus connection manager may be gone already.
StartupThread &connector()
{
    static StartupThread instance;
    return instance;
}

void (*g_thenRun)() = nullptr;

bool platformHasBridge()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
}

} // namespace

bool connectEarly(void (*thenRun)())
{
    if (!QGuiApplication::instance() || !platformHasBridge() || connector().running())
        return false;
    g_thenRun = thenRun;
    // Qt keeps the session bus connection for the whole process: the
    // bridge's own request returns this one.
    connector().start([] {
        QDBusConnection::sessionBus();
        if (g_thenRun)
            g_thenRun();
    });
    return connector().running();
}

void await()
{
    connector().await();
}

} // namespace accessibilityBus
