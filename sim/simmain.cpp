// vanto-hub8-sim: the tool on the virtual adapter.

#include "app/toolmain.h"
#include "defaultsetup.h"
#include "scenario.h"
#include "virtualadapter.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (!toolHasDisplay())
        return reportNoDisplay(argv[0]);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vanto-hub8-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The VANTO-HUB8 IO-Link tool on a virtual adapter."));
    parser.addHelpOption();
    const QCommandLineOption scenario(QStringLiteral("scenario"),
                                      QStringLiteral("Set up the virtual adapter's ports from a JSON file."),
                                      QStringLiteral("FILE"));
    parser.addOption(scenario);
    parser.process(app);

    VirtualAdapter &adapter = VirtualAdapter::instance();
    applyDefaultSetup(adapter);
    if (parser.isSet(scenario)) {
        QString error;
        if (!applyScenarioFile(parser.value(scenario), adapter, &error)) {
            std::fprintf(stderr, "vanto-hub8-sim: %s\n", qPrintable(error));
            return 1;
        }
    }
    return runMainWindow(app);
}
