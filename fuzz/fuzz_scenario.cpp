// The virtual adapter's scenario loader on any bytes. A file the loader
// accepts is applied to the adapter, the way vanto-hub8-sim applies it.

#include "scenario.h"
#include "virtualadapter.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static int argc = 1;
    static char name[] = "fuzz-scenario";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("hub8.*=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), int(size));
    QString error;
    applyScenarioJson(json, VirtualAdapter::instance(), &error);
    return 0;
}
