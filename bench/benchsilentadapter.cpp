// How live the main window stays while the adapter does not answer: a 50 ms
// GUI timer runs beside the window on a silent virtual adapter, and the
// worst gap between two of its ticks is printed, first with the window left
// alone, then with a port clicked every second.
//
//   bench-silent-adapter [--seconds N]
//
// A live window ticks about N*20 times per phase with a worst gap near 50 ms;
// every exchange that waits for the read timeout shows as a gap of a second.

#include "app/mainwindow.h"
#include "defaultsetup.h"
#include "virtualadapter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

namespace {

constexpr int tickMs = 50;

struct Phase
{
    int ticks = 0;
    qint64 worstGapMs = 0;
    int clicks = 0;
};

// Runs the event loop for `ms`, counting the ticks of a 50 ms timer; with a
// tree, clicks Port1 once a second.
Phase runPhase(int ms, MainWindow &window, QTreeWidget *clickTree)
{
    Phase phase;
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        phase.worstGapMs = qMax(phase.worstGapMs, now - last);
        last = now;
        ++phase.ticks;
    });
    QTimer click;
    QObject::connect(&click, &QTimer::timeout, [&] {
        window.onPortClicked(clickTree->topLevelItem(0), 0);
        ++phase.clicks;
    });
    tick.start(tickMs);
    if (clickTree)
        click.start(1000);
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    phase.worstGapMs = qMax(phase.worstGapMs, clock.elapsed() - last);
    return phase;
}

void print(const char *name, const Phase &p, int ms)
{
    std::printf("%-22s %6d %8d %10lld %8d\n", name, ms / tickMs, p.ticks, static_cast<long long>(p.worstGapMs),
                p.clicks);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption secondsOption(QStringLiteral("seconds"), QStringLiteral("Length of each phase."),
                                           QStringLiteral("N"), QStringLiteral("6"));
    parser.addOption(secondsOption);
    parser.process(app);
    const int ms = 1000 * qMax(1, parser.value(secondsOption).toInt());

    VirtualAdapter &adapter = VirtualAdapter::instance();
    applyDefaultSetup(adapter);
    adapter.faults().silent = true;

    MainWindow window;
    window.initPorts(8);
    window.show();
    auto *tree = window.findChild<QTreeWidget *>(QStringLiteral("treeWidget"));

    std::printf("silent virtual adapter, %d ms timer, %d s per phase\n", tickMs, ms / 1000);
    std::printf("%-22s %6s %8s %10s %8s\n", "phase", "ideal", "ticks", "worst ms", "clicks");
    print("window left alone", runPhase(ms, window, nullptr), ms);
    print("Port1 clicked each 1 s", runPhase(ms, window, tree), ms);
    return 0;
}
