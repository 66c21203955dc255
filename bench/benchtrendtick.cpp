// CPU time of one poll of the "In port" page (300 ms period), offscreen, on
// Port2 of the virtual adapter, with the trend below the table hidden and
// shown: the built-in device and the largest description of the IODD corpus.
//
//   bench-trend-tick [--seconds N] [--corpus DIR] [--file IODD]...
//
// --file measures the given descriptions instead of the corpus's largest.
// Before each run the trend gets a full time span of earlier polls of the
// same device, so the lines are as long as after a minute of polling. The
// figure is the process's CPU time over the run divided by the polls made;
// it includes painting the page. The page's debug lines are off unless
// QT_LOGGING_RULES says otherwise. Exit status 2 when a ratio exceeds 2.

#include "benchlink.h"
#include "defaultsetup.h"
#include "description/builtindescription.h"
#include "description/ioddfile.h"
#include "iodddevice.h"
#include "link/linkhub.h"
#include "procdata/processdatainpage.h"
#include "procdata/processdatatrend.h"
#include "virtualadapter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

constexpr int port = 1; // Port2

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The largest device description under dir (standard definitions and
// language files left out); empty when there is none.
QString largestDescription(const QString &dir)
{
    QString best;
    qint64 bestSize = -1;
    const QRegularExpression language(QStringLiteral("-[a-z][a-z]\\.xml$"));
    QDirIterator it(dir, {QStringLiteral("*.xml")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo f(it.next());
        if (f.path().contains(QLatin1String("/std")) || !f.fileName().contains(QLatin1String("IODD"))
            || language.match(f.fileName()).hasMatch())
            continue;
        if (f.size() > bestSize) {
            bestSize = f.size();
            best = f.filePath();
        }
    }
    return best;
}

struct Result
{
    double hiddenMs = 0;
    double shownMs = 0;
    int polls = 0;
};

// CPU ms per poll of the page, the trend hidden or shown.
double measure(const TreeItem &processData, bool trendShown, int seconds, int *polls)
{
    ProcessDataInPage page;
    page.setPort(port);
    page.setProcessData(processData);
    page.resize(1100, 760);
    page.trend()->setVisible(trendShown);
    page.show();
    runFor(200);

    // A span of earlier polls of the same device.
    const ProcessDataCodec::Layout layout = ProcessDataCodec::layoutOf(processData);
    VirtualDevice *device = VirtualAdapter::instance().port(port).device.get();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const int earlier = page.trend()->spanSeconds() * 1000 / ProcessDataInPage::pollIntervalMs;
    for (int i = 0; i < earlier; ++i) {
        const QByteArray pd = device->processDataIn(qint64(i) * ProcessDataInPage::pollIntervalMs);
        page.trend()->record(now - qint64(earlier - i) * ProcessDataInPage::pollIntervalMs, pd,
                             ProcessDataCodec::decode(layout, pd));
    }
    runFor(200);

    const int before = page.trend()->recording().size();
    page.findChild<QPushButton *>(QStringLiteral("pbtn_start"))->click();
    const double cpu0 = cpuMs();
    runFor(seconds * 1000);
    const double cpu1 = cpuMs();
    const int n = page.trend()->recording().size() - before;
    page.findChild<QPushButton *>(QStringLiteral("pbtn_stop"))->click();
    *polls = n;
    return n > 0 ? (cpu1 - cpu0) / n : 0.0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The page's debug line per poll would be most of what the bench prints.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("hub8.*.debug=false"));

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption secondsOption(QStringLiteral("seconds"), QStringLiteral("Polling time per run."),
                                           QStringLiteral("N"), QStringLiteral("15"));
    const QCommandLineOption corpusOption(QStringLiteral("corpus"), QStringLiteral("IODD corpus folder."),
                                          QStringLiteral("DIR"), QStringLiteral(HUB8_DEFAULT_CORPUS_DIR));
    parser.addOption(secondsOption);
    parser.addOption(corpusOption);
    const QCommandLineOption fileOption(
        QStringLiteral("file"), QStringLiteral("A description to measure (repeatable)."), QStringLiteral("IODD"));
    parser.addOption(fileOption);
    parser.process(app);
    const int seconds = qMax(1, parser.value(secondsOption).toInt());

    VirtualAdapter &adapter = VirtualAdapter::instance();
    applyDefaultSetup(adapter);
    LinkHub *hub = LinkHub::instance();
    if (!openBenchLink("bench-trend-tick"))
        return 1;
    hub->setActivePorts({port});

    const QString appDir = QCoreApplication::applicationDirPath();
    QStringList paths{BuiltinDescription::pathIn(appDir)};
    const QString corpusFile = largestDescription(parser.value(corpusOption));
    if (parser.isSet(fileOption))
        paths << parser.values(fileOption);
    else if (corpusFile.isEmpty())
        std::printf("no IODD corpus at %s: the built-in device only\n", qPrintable(parser.value(corpusOption)));
    else
        paths << corpusFile;

    std::printf("%-48s %6s %6s %6s %12s %12s %7s\n", "device on Port2", "items", "lines", "polls", "hidden ms",
                "shown ms", "ratio");
    double worst = 0;
    for (const QString &path : paths) {
        IoddFile description;
        if (description.load(path) != 0) {
            std::fprintf(stderr, "bench-trend-tick: cannot read %s\n", qPrintable(path));
            return 1;
        }
        if (path != paths.first()) {
            QString error;
            auto device = IoddDevice::fromFile(path, appDir + QStringLiteral("/std"), &error);
            if (!device) {
                std::fprintf(stderr, "bench-trend-tick: %s\n", qPrintable(error));
                return 1;
            }
            adapter.setPort(port, VirtualAdapter::Mode::IoLinkOperate, std::move(device));
        }
        const TreeItem processData = description.processDataIn();
        const ProcessDataRecording channels(ProcessDataCodec::layoutOf(processData), processData.name);
        int lines = 0;
        for (const ProcessDataRecording::Channel &c : channels.channels())
            lines += c.kind != ProcessDataRecording::Channel::Kind::Text;

        Result r;
        int polls = 0;
        r.hiddenMs = measure(processData, false, seconds, &polls);
        r.shownMs = measure(processData, true, seconds, &r.polls);
        const double ratio = r.hiddenMs > 0 ? r.shownMs / r.hiddenMs : 0.0;
        worst = qMax(worst, ratio);
        std::printf("%-48s %6d %6d %6d %12.3f %12.3f %7.2f\n", qPrintable(QFileInfo(path).fileName().left(48)),
                    int(processData.values.size()), lines, r.polls, r.hiddenMs, r.shownMs, ratio);
    }
    std::printf("worst ratio %.2f (target <= 2)\n", worst);
    return worst <= 2.0 ? 0 : 2;
}
