// hub8ctl-sim: hub8ctl on the virtual adapter, set up as out of the box or
// from a scenario file.

#include "ctlcommands.h"
#include "defaultsetup.h"
#include "scenario.h"
#include "virtualadapter.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("hub8.*.debug=false"));
    const QString program = QStringLiteral("hub8ctl-sim");

    QStringList args = app.arguments().mid(1);
    VirtualAdapter &adapter = VirtualAdapter::instance();
    applyDefaultSetup(adapter);
    QString scenario;
    if (!args.isEmpty() && args.first() == QLatin1String("--scenario")) {
        if (args.size() < 2) {
            std::fprintf(stderr, "%s: --scenario needs a file\n", qPrintable(program));
            return CtlExit::usage;
        }
        scenario = args.at(1);
        args = args.mid(2);
    } else if (!args.isEmpty() && args.first().startsWith(QLatin1String("--scenario="))) {
        scenario = args.first().mid(int(qstrlen("--scenario=")));
        args = args.mid(1);
    }
    QString error;
    if (!scenario.isEmpty() && !applyScenarioFile(scenario, adapter, &error)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(program), error.toUtf8().constData());
        return CtlExit::usage;
    }
    QByteArray output;
    const int status =
        runHub8ctl(program, args, QStringLiteral("usage: hub8ctl-sim [--scenario FILE] COMMAND [ARGUMENTS]"),
                   QStringLiteral("  --scenario FILE   set up the virtual adapter's ports from a scenario file\n"
                                  "                    (docs/virtual-adapter.md); it comes before the command\n"),
                   &output);
    return printed(status, output);
}
