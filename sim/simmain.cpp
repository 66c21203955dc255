// vanto-hub8-sim: the tool on the virtual adapter.

#include "app/toolmain.h"
#include "defaultsetup.h"
#include "virtualadapter.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (!toolHasDisplay())
        return reportNoDisplay(argv[0]);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vanto-hub8-sim"));
    applyDefaultSetup(VirtualAdapter::instance());
    return runMainWindow(app);
}
