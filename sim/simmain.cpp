// vanto-hub8-sim: the tool on the virtual adapter.

#include "app/toolmain.h"
#include "defaultsetup.h"
#include "scenario.h"
#include "virtualadapter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

namespace {

// "A,B" (seconds after start): the fault is on from A to B; "A": from A on.
bool scheduleFault(const QString &times, bool VirtualAdapter::Faults::*fault, QString *error)
{
    const QStringList parts = times.split(QLatin1Char(','));
    bool okFrom = false, okTo = true;
    const double from = parts.value(0).toDouble(&okFrom);
    const double to = parts.size() > 1 ? parts.at(1).toDouble(&okTo) : -1;
    if (parts.size() > 2 || !okFrom || !okTo || from < 0 || (parts.size() > 1 && to <= from)) {
        *error = QStringLiteral("expected FROM[,TO] in seconds, TO after FROM, got \"%1\"").arg(times);
        return false;
    }
    const auto set = [fault](bool on) {
        VirtualAdapter::instance().changeFaults([fault, on](VirtualAdapter::Faults &f) { f.*fault = on; });
    };
    QTimer::singleShot(int(from * 1000), [set] { set(true); });
    if (to > 0)
        QTimer::singleShot(int(to * 1000), [set] { set(false); });
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (!toolHasDisplay())
        return reportNoDisplay(argv[0]);
    setPlatformDefaults();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("vanto-hub8"));
    QApplication::setApplicationName(QStringLiteral("vanto-hub8-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The VANTO-HUB8 IO-Link tool on a virtual adapter."));
    parser.addHelpOption();
    const QCommandLineOption scenario(QStringLiteral("scenario"),
                                      QStringLiteral("Set up the virtual adapter's ports from a JSON file."),
                                      QStringLiteral("FILE"));
    parser.addOption(scenario);
    const QCommandLineOption log = logFileOption();
    parser.addOption(log);
    const QCommandLineOption language = languageOption();
    parser.addOption(language);
    const QCommandLineOption unplug(QStringLiteral("unplug"),
                                    QStringLiteral("Unplug the virtual adapter FROM seconds after start and plug it "
                                                   "in again at TO."),
                                    QStringLiteral("FROM[,TO]"));
    const QCommandLineOption silent(QStringLiteral("silent"),
                                    QStringLiteral("Let the virtual adapter leave every request unanswered from FROM "
                                                   "to TO seconds after start."),
                                    QStringLiteral("FROM[,TO]"));
    parser.addOption(unplug);
    parser.addOption(silent);
    parser.process(app);

    VirtualAdapter &adapter = VirtualAdapter::instance();
    if (parser.isSet(scenario)) {
        QString error;
        if (!applyScenarioFile(parser.value(scenario), adapter, &error)) {
            std::fprintf(stderr, "vanto-hub8-sim: %s\n", qPrintable(error));
            return 1;
        }
    }
    const QList<QPair<QCommandLineOption, bool VirtualAdapter::Faults::*>> timed{
        {unplug, &VirtualAdapter::Faults::unplugged}, {silent, &VirtualAdapter::Faults::silent}};
    for (const auto &option : timed) {
        QString error;
        if (parser.isSet(option.first) && !scheduleFault(parser.value(option.first), option.second, &error)) {
            std::fprintf(stderr, "vanto-hub8-sim: --%s: %s\n", qPrintable(option.first.names().first()),
                         qPrintable(error));
            return 1;
        }
    }
    // Out of the box the devices are built once the window is up; a scenario
    // was applied above, so that its errors end the program before any window.
    std::function<void()> beforeLink;
    if (!parser.isSet(scenario))
        beforeLink = [&adapter]() { applyDefaultSetup(adapter); };
    return runMainWindow(app, parser.value(log), parser.value(language), beforeLink);
}
