// hub8ctl-sim: hub8ctl on the virtual adapter, set up as out of the box or
// from a scenario file.

#include "ctlcommands.h"
#include "defaultsetup.h"
#include "scenario.h"
#include "virtualadapter.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTimer>

#include <cstdio>

namespace {

// "--unplug FROM[,TO]": the adapter unplugged FROM seconds after start, back
// at TO (none: for good), as vanto-hub8-sim does it; for commands that run
// long enough to notice (mqtt).
bool scheduleUnplug(const QString &times, QString *error)
{
    const QStringList parts = times.split(QLatin1Char(','));
    bool okFrom = false, okTo = true;
    const double from = parts.value(0).toDouble(&okFrom);
    const double to = parts.size() > 1 ? parts.at(1).toDouble(&okTo) : -1;
    if (parts.size() > 2 || !okFrom || !okTo || from < 0 || (parts.size() > 1 && to <= from)) {
        *error = QStringLiteral("--unplug: expected FROM[,TO] in seconds, TO after FROM, got \"%1\"").arg(times);
        return false;
    }
    const auto set = [](bool unplugged) {
        VirtualAdapter::instance().changeFaults([unplugged](VirtualAdapter::Faults &f) { f.unplugged = unplugged; });
    };
    QTimer::singleShot(int(from * 1000), [set] { set(true); });
    if (to > 0)
        QTimer::singleShot(int(to * 1000), [set] { set(false); });
    return true;
}

} // namespace

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
    if (args.size() >= 2 && args.first() == QLatin1String("--unplug")) {
        if (!scheduleUnplug(args.at(1), &error)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(program), error.toUtf8().constData());
            return CtlExit::usage;
        }
        args = args.mid(2);
    }
    QByteArray output;
    const int status = runHub8ctl(
        program, args, QStringLiteral("usage: hub8ctl-sim [--scenario FILE] [--unplug FROM[,TO]] COMMAND [ARGUMENTS]"),
        QStringLiteral("  --scenario FILE   set up the virtual adapter's ports from a scenario file\n"
                       "                    (docs/virtual-adapter.md); it comes before the command\n"
                       "  --unplug FROM[,TO]\n"
                       "                    unplug the adapter FROM seconds after start, back at TO;\n"
                       "                    after --scenario, before the command (for mqtt)\n"),
        &output);
    return printed(status, output);
}
