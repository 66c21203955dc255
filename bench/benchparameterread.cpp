// Times "读（全部）" of the parameter page on the built-in device of the
// virtual adapter (Port2), offscreen.
//
//   bench-parameter-read [--role ObserverRoleMenuSet|MaintenanceRoleMenuSet|SpecialistRoleMenuSet] [--runs N]
//
// Every read waits for the adapter's mailbox, which answers after its ISDU
// latency; the page looks every ParameterPage::mailboxPollMs. The latency
// rounded up to whole poll periods, times the requests that reached the
// adapter, is the floor; the ratio of the wall time to it shows what the page
// adds of its own.

#include "benchlink.h"
#include "defaultsetup.h"
#include "description/builtindescription.h"
#include "description/ioddfile.h"
#include "description/ioddheaderreader.h"
#include "devicepages/basicinfopage.h"
#include "link/linkhub.h"
#include "params/parameterpage.h"
#include "virtualadapter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>

#include <cstdio>

namespace {

constexpr int port = 1; // Port2

struct ReadCounts
{
    int wholeReads = 0;  // subindex 0, length 0
    int singleReads = 0; // one subindex
    int otherRequests = 0;
};

// The ISDU requests written to the mailbox since the log was last cleared.
ReadCounts countRequests()
{
    ReadCounts counts;
    for (const VirtualAdapter::Exchange &x : VirtualAdapter::instance().log()) {
        const QByteArray &r = x.request;
        if (r.size() < 48 || quint8(r[2]) != 0x10 || quint8(r[3]) != 0x35 || quint8(r[4]) != 0x00)
            continue;
        const QByteArray block = r.mid(8, 40);
        if (block[0] != 0x03)
            ++counts.otherRequests;
        else if (block[5] == 0 && block[6] == 0)
            ++counts.wholeReads;
        else
            ++counts.singleReads;
    }
    return counts;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption roleOption(QStringLiteral("role"), QStringLiteral("Role menu set shown."),
                                        QStringLiteral("NAME"), QStringLiteral("SpecialistRoleMenuSet"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Number of reads."), QStringLiteral("N"),
                                        QStringLiteral("3"));
    parser.addOption(roleOption);
    parser.addOption(runsOption);
    parser.process(app);
    const QString role = parser.value(roleOption);
    const int runs = qMax(1, parser.value(runsOption).toInt());

    VirtualAdapter &adapter = VirtualAdapter::instance();
    applyDefaultSetup(adapter);
    LinkHub *hub = LinkHub::instance();
    if (!openBenchLink("bench-parameter-read"))
        return 1;
    hub->setActivePorts({port});

    const QString path = BuiltinDescription::pathIn(QCoreApplication::applicationDirPath());
    auto description = std::make_shared<IoddFile>();
    if (description->load(path) != 0) {
        std::fprintf(stderr, "bench-parameter-read: cannot read %s\n", qPrintable(path));
        return 1;
    }
    BasicInfoPage host;
    ParameterPage *page = host.createParameterPage(role, port, description, IoddHeaderReader(path).readDeviceInfo());
    host.show();
    auto *readAll = page->findChild<QPushButton *>(QStringLiteral("pbtn_read"));

    std::printf("role %s, ISDU latency of the adapter %d ms\n", qPrintable(role), adapter.faults().isduLatencyMs);
    std::printf("%-4s %10s %10s %10s %12s %12s %8s\n", "run", "exchanges", "whole", "single", "wall ms", "floor ms",
                "ratio");
    double worst = 0;
    for (int run = 1; run <= runs; ++run) {
        adapter.clearLog();
        const int before = adapter.isduRequestCount();
        QElapsedTimer clock;
        clock.start();
        QEventLoop done;
        QObject::connect(page, &ParameterPage::operationFinished, &done, &QEventLoop::quit);
        readAll->click();
        if (page->isRunning())
            done.exec();
        const qint64 wall = clock.elapsed();
        const ReadCounts counts = countRequests();
        const int exchanges = adapter.isduRequestCount() - before;
        const int poll = ParameterPage::mailboxPollMs;
        const int perRead = (adapter.faults().isduLatencyMs + poll - 1) / poll * poll;
        const qint64 floor = qint64(counts.wholeReads + counts.singleReads) * perRead;
        const double ratio = floor > 0 ? double(wall) / double(floor) : 0.0;
        worst = qMax(worst, ratio);
        std::printf("%-4d %10d %10d %10d %12lld %12lld %8.3f\n", run, exchanges, counts.wholeReads, counts.singleReads,
                    static_cast<long long>(wall), static_cast<long long>(floor), ratio);
        if (counts.otherRequests != 0)
            std::printf("     (%d requests other than reads)\n", counts.otherRequests);
    }
    std::printf("worst ratio %.3f (target <= 1.1)\n", worst);
    return worst <= 1.1 ? 0 : 2;
}
