// What a port click, a process-data tick and start-up cost, each as a ratio
// against a floor measured in the same run:
//
//   bench-port-click [--file IODD] [--clicks N] [--seconds N] [--leak N]
//
// - click: Port2 (a device built from the file, its modification time
//   changed so that it must be read again) clicked after Port1, until its
//   pages are built, against the bare parse floor (the file read twice, as
//   clicks used to read it, and both standard definition files, into
//   QDomDocuments); also the fastest click against one read of the file.
//   A variant dialog is answered at once, and the time it is up is left out;
// - the same file clicked again (Port2 after Port2);
// - resident memory after the click, and over N clicks (leaks);
// - CPU per tick of the In port page polling at 300 ms, over N seconds,
//   minus the CPU of the same time without polling, idle and polling
//   taking turns in slices of up to five seconds;
// - start-up: this program started again as the tool's main window and as a
//   bare Qt window in the environment the tool prepares, each timed from
//   process start to its window shown; and, for comparison, the bare window
//   with one label (the fonts set up) and the bare window under Qt's
//   defaults (which under X probe OpenGL).
//
// Without --file it takes the largest file of the IODD corpus, else the
// built-in description. Runs offscreen unless QT_QPA_PLATFORM or DISPLAY say
// otherwise (under xvfb-run the xcb platform is measured).

#include "app/mainwindow.h"
#include "app/toolmain.h"
#include "defaultsetup.h"
#include "description/builtindescription.h"
#include "procdata/processdatainpage.h"
#include "procdata/processdatatrend.h"
#include "protocol/adapterregisters.h"
#include "scenario.h"
#include "variantanswer.h"
#include "virtualadapter.h"
#include "widgets/wheelguard.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <malloc.h>
#include <sys/resource.h>
#include <utility>

namespace {

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// User and system CPU of the main thread, in ms.
std::pair<double, double> mainThreadCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    auto ms = [](const timeval &t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return {ms(usage.ru_utime), ms(usage.ru_stime)};
}

double rssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// Bytes the heap hands out now (freed memory the allocator keeps is not counted).
double heapInUseMb()
{
    return double(mallinfo2().uordblks) / (1024.0 * 1024.0);
}

double median(QVector<double> v)
{
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

QString largestCorpusFile()
{
    const QString corpus = qEnvironmentVariable("HUB8_CORPUS_DIR", QStringLiteral(HUB8_DEFAULT_CORPUS_DIR));
    QString best;
    qint64 bestSize = -1;
    QDirIterator it(corpus, {QStringLiteral("*.xml")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().size() > bestSize) {
            bestSize = it.fileInfo().size();
            best = it.filePath();
        }
    }
    return best;
}

// The floor: the file and both standard definition files into DOM trees
// (the file `fileReads` times: the parse-only cost of a click that reads the
// file that often).
double parseFloorMs(const QString &file, int fileReads)
{
    const QString std = QCoreApplication::applicationDirPath() + QStringLiteral("/std/std1.1/");
    QStringList files = {std + QStringLiteral("IODD-StandardDefinitions1.1.xml"),
                         std + QStringLiteral("IODD-StandardUnitDefinitions1.1.xml")};
    for (int i = 0; i < fileReads; ++i)
        files << file;
    QVector<double> runs;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer clock;
        clock.start();
        for (const QString &path : files) {
            QFile f(path);
            QDomDocument doc;
            if (f.open(QIODevice::ReadOnly))
                doc.setContent(&f);
        }
        runs << clock.nsecsElapsed() / 1e6;
    }
    return *std::min_element(runs.begin(), runs.end());
}

// Prints "shown" at the first paint of the watched window, then leaves
// (teardown is not part of start-up).
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            std::printf("shown\n");
            std::fflush(stdout);
            std::_Exit(0);
        }
        return QObject::eventFilter(watched, event);
    }
};

// The start-up child: the tool's window started as the tool starts it, or a bare window.
int runChild(QApplication &app, const QString &kind)
{
    FirstPaint watcher;
    std::unique_ptr<QWidget> window;
    if (kind == QLatin1String("tool")) {
        WheelGuard::install(&app);
        auto *main = new MainWindow;
        window.reset(main);
        main->installEventFilter(&watcher);
        startMainWindow(*main, [] { applyDefaultSetup(VirtualAdapter::instance()); });
    } else {
        window = std::make_unique<QWidget>();
        // The tool's size on a first start: the same pixels to fill and send.
        const QScreen *screen = QGuiApplication::primaryScreen();
        QSize size = MainWindow::firstStartSize();
        if (screen)
            size = size.boundedTo(screen->availableGeometry().size());
        window->resize(size);
        // "text": the bare window with one line of text, which sets up the
        // fonts every window with text needs. "plain": the bare window
        // under Qt's defaults, which under X probe OpenGL.
        if (kind == QLatin1String("text"))
            new QLabel(QStringLiteral("VANTO-HUB8 端口"), window.get());
        window->installEventFilter(&watcher);
        window->show();
    }
    return QApplication::exec();
}

// Whether the user chose Qt's OpenGL integration before this program started.
bool userSetGlIntegration = false;

// Ms from starting `kind` to its "shown" line; -1 when it never came.
double startupOnceMs(const QString &kind)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (kind == QLatin1String("plain")) {
        // Qt's defaults: without the variables the tool sets for itself.
        if (!userSetGlIntegration)
            env.remove(QStringLiteral("QT_XCB_GL_INTEGRATION"));
        child.setProcessEnvironment(env);
    }
    QElapsedTimer clock;
    clock.start();
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), kind});
    if (!child.waitForReadyRead(20000)) {
        child.kill();
        child.waitForFinished();
        return -1;
    }
    const double ms = clock.nsecsElapsed() / 1e6;
    child.waitForFinished(5000);
    return ms;
}

// Start-up ms of each kind, one per round (negative where a start failed).
// The kinds take turns within a round, so that a change in the machine's
// load during the runs weighs on all of them alike.
QMap<QString, QVector<double>> startupMs(const QStringList &kinds, int runs)
{
    QMap<QString, QVector<double>> times;
    for (int i = 0; i < runs; ++i) {
        for (const QString &kind : kinds)
            times[kind] << startupOnceMs(kind);
    }
    return times;
}

double medianOfStarts(const QVector<double> &times)
{
    QVector<double> started;
    std::copy_if(times.cbegin(), times.cend(), std::back_inserter(started), [](double ms) { return ms >= 0; });
    return median(started);
}

// The median of one kind's start-up over the bare window's in the same
// round: a change of the machine's speed between rounds weighs on both.
double medianRoundRatio(const QVector<double> &times, const QVector<double> &bare)
{
    QVector<double> ratios;
    for (int i = 0; i < times.size() && i < bare.size(); ++i) {
        if (times.at(i) >= 0 && bare.at(i) > 0)
            ratios << times.at(i) / bare.at(i);
    }
    return median(ratios);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Everything but the bare windows prepares its platform as the tool does.
    // They still inherit the environment the parent prepared.
    const bool bareChild = argc == 3 && QByteArray(argv[1]) == "--child"
        && (QByteArray(argv[2]) == "bare" || QByteArray(argv[2]) == "text" || QByteArray(argv[2]) == "plain");
    userSetGlIntegration = qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION");
    if (!bareChild)
        setPlatformDefaults();
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption fileOption(QStringLiteral("file"), QStringLiteral("The IODD file on Port2."),
                                        QStringLiteral("IODD"));
    const QCommandLineOption clicksOption(QStringLiteral("clicks"), QStringLiteral("Timed clicks."),
                                          QStringLiteral("N"), QStringLiteral("15"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"), QStringLiteral("Length of each tick phase."),
                                           QStringLiteral("N"), QStringLiteral("30"));
    const QCommandLineOption leakOption(QStringLiteral("leak"), QStringLiteral("Clicks of the leak check (0: none)."),
                                        QStringLiteral("N"), QStringLiteral("200"));
    const QCommandLineOption childOption(QStringLiteral("child"), QStringLiteral("Internal: start-up child."),
                                         QStringLiteral("tool|bare|text|plain"));
    parser.addOptions({fileOption, clicksOption, secondsOption, leakOption, childOption});
    parser.process(app);
    if (parser.isSet(childOption))
        return runChild(app, parser.value(childOption));

    QDir::setCurrent(QCoreApplication::applicationDirPath());
    QString file = parser.value(fileOption);
    if (file.isEmpty())
        file = largestCorpusFile();
    if (file.isEmpty())
        file =
            QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(BuiltinDescription::relativePath);
    file = QFileInfo(file).absoluteFilePath();

    // The file's folder as the IODD library, so that the click finds it by identity.
    QTemporaryDir library;
    const QString folder = library.filePath(QStringLiteral("device"));
    QDir().mkpath(folder);
    for (const QFileInfo &f : QDir(QFileInfo(file).absolutePath()).entryInfoList(QDir::Files))
        QFile::copy(f.filePath(), folder + QLatin1Char('/') + f.fileName());

    VirtualAdapter &adapter = VirtualAdapter::instance();
    applyDefaultSetup(adapter);
    const QByteArray scenario = QStringLiteral(R"({"isduLatencyMs": 0, "ports": {
        "Port1": {"mode": "iolink", "device": {"type": "generic"}},
        "Port2": {"mode": "iolink", "device": {"type": "iodd", "file": "%1"}}}})")
                                    .arg(file)
                                    .toUtf8();
    QString error;
    if (!applyScenarioJson(scenario, adapter, &error)) {
        std::fprintf(stderr, "bench-port-click: %s\n", qPrintable(error));
        return 1;
    }

    // The floor the targets were set against (the file read twice, as clicks
    // used to read it, and both standard files) and the stricter one of a
    // single read.
    const double floorMs = parseFloorMs(file, 2);
    const double singleFloorMs = parseFloorMs(file, 1);
    WheelGuard::install(&app);
    MainWindow window;
    window.setIoddLibraryDir(library.path());
    window.initPorts(AdapterRegisters::portCount);
    window.show();
    QCoreApplication::processEvents();
    VariantAnswer variantAnswer;
    app.installEventFilter(&variantAnswer);
    auto *tree = window.findChild<QTreeWidget *>(QStringLiteral("treeWidget"));
    auto click = [&](int port) {
        QElapsedTimer clock;
        clock.start();
        const double dialogBefore = variantAnswer.dialogMs();
        window.onPortClicked(tree->topLevelItem(port), 0);
        const double ms = clock.nsecsElapsed() / 1e6 - (variantAnswer.dialogMs() - dialogBefore);
        QCoreApplication::processEvents();
        return ms;
    };

    const double rssBefore = rssMb();
    QVector<double> fresh, again;
    const int clicks = qMax(1, parser.value(clicksOption).toInt());
    const QString copy = folder + QLatin1Char('/') + QFileInfo(file).fileName();
    for (int i = 0; i < clicks; ++i) {
        click(0);
        // A new modification time: the click must read the file again.
        QFile touched(copy);
        if (touched.open(QIODevice::ReadWrite))
            touched.setFileTime(QDateTime::currentDateTime().addSecs(i + 1), QFileDevice::FileModificationTime);
        touched.close();
        fresh << click(1);
        again << click(1);
    }
    const double rssAfter = rssMb();

    std::printf("file: %s (%lld bytes)\nplatform: %s\n", qPrintable(file), QFileInfo(file).size(),
                qPrintable(QGuiApplication::platformName()));
    std::printf("%-44s %10s %10s %8s\n", "what", "measured", "floor", "ratio");
    std::printf("%-44s %8.1f ms %8.1f ms %7.1fx   (target <= 100 ms, <= 3x)\n",
                "click Port2 -> pages built, file read (median)", median(fresh), floorMs, median(fresh) / floorMs);
    std::printf("%-44s %8.1f ms %8.1f ms %7.1fx\n", "same file clicked again, kept parsed (median)", median(again),
                floorMs, median(again) / floorMs);
    std::printf("%-44s %8.1f ms %8.1f ms %7.1fx   (the floor of one read of the file)\n",
                "click Port2 -> pages built, file read (min)", *std::min_element(fresh.begin(), fresh.end()),
                singleFloorMs, *std::min_element(fresh.begin(), fresh.end()) / singleFloorMs);
    std::printf("%-44s %8.1f MB %8.1f MB %8s   (target <= 80 MB)\n", "resident memory after the click (before it)",
                rssAfter, rssBefore, "");
    std::printf("window size: %d x %d\n", window.width(), window.height());
    std::fflush(stdout);

    // Process-data ticks: the In port page of Port2, shown, polling.
    click(1);
    auto *in = window.findChild<ProcessDataInPage *>();
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    if (in && tabs) {
        tabs->setCurrentWidget(in);
        QCoreApplication::processEvents();
        const int seconds = qMax(1, parser.value(secondsOption).toInt());
        // The phases take turns in slices of up to five seconds, so that a
        // slow spell of the machine weighs on the idle time it is measured
        // against as well.
        const int rounds = (seconds + 4) / 5;
        const int sliceSeconds = seconds / rounds;
        struct Phase
        {
            double cpu = 0;  // process CPU, ms
            double user = 0; // the main thread's, ms
            double system = 0;
            int ticks = 0;
        };
        auto slice = [&](bool polling, Phase *sum) {
            // What a shown or hidden trend changed, and the buttons that
            // starting changed, are laid out and painted first: that repaint
            // is not part of a tick.
            if (polling)
                in->onStartClicked();
            QEventLoop settle;
            QTimer::singleShot(500, &settle, &QEventLoop::quit);
            settle.exec();
            adapter.clearLog();
            const double cpu0 = cpuMs();
            const std::pair<double, double> thread0 = mainThreadCpuMs();
            QEventLoop loop;
            QTimer::singleShot(sliceSeconds * 1000, &loop, &QEventLoop::quit);
            loop.exec();
            sum->cpu += cpuMs() - cpu0;
            const std::pair<double, double> thread = mainThreadCpuMs();
            sum->user += thread.first - thread0.first;
            sum->system += thread.second - thread0.second;
            in->onStopClicked();
            const QByteArray pdRead = QByteArray::fromHex("0103") + char(AdapterRegisters::pdInWindow(1) >> 8)
                + char(AdapterRegisters::pdInWindow(1) & 0xFF);
            for (const VirtualAdapter::Exchange &x : adapter.log())
                sum->ticks += x.request.mid(1, 4) == pdRead;
        };
        // Per poll: the polling phase's CPU less the idle phase's over the same time.
        auto perTick = [](const Phase &polling, const Phase &idle, double Phase::*what) {
            return polling.ticks > 0 ? (polling.*what - idle.*what) / polling.ticks : 0.0;
        };
        Phase idle, closed, shown;
        QWidget *trend = in->trend();
        for (int round = 0; round < rounds; ++round) {
            slice(false, &idle);
            // The page's own work, the trend closed; then with the trend shown.
            if (trend)
                trend->hide();
            slice(true, &closed);
            if (trend) {
                trend->show();
                slice(true, &shown);
            }
        }
        const double tick = perTick(closed, idle, &Phase::cpu);
        std::printf("%-44s %8.2f ms %8s %8s   (%d ticks in %d s, %.0f ms CPU polling, %.0f idle)\n",
                    "CPU per process-data tick, trend closed", tick, "", "", closed.ticks, rounds * sliceSeconds,
                    closed.cpu, idle.cpu);
        if (closed.ticks > 0)
            std::printf("%-44s %8.2f ms user, %.2f ms system (the rest: Qt's other threads)\n",
                        "  of it the main thread", perTick(closed, idle, &Phase::user),
                        perTick(closed, idle, &Phase::system));
        if (trend) {
            const double trendTick = perTick(shown, idle, &Phase::cpu);
            std::printf("%-44s %8.2f ms %8.2f ms %7.2fx   (target <= 2x the tick without it)\n",
                        "CPU per process-data tick, trend shown", trendTick, tick, tick > 0 ? trendTick / tick : 0);
        }
    } else {
        std::printf("no In port page for this file: no tick figure\n");
    }
    std::fflush(stdout);

    // Leaks over many clicks.
    const int leakClicks = parser.value(leakOption).toInt();
    if (leakClicks > 0) {
        click(0);
        adapter.clearLog();
        const double rss0 = rssMb();
        const double heap0 = heapInUseMb();
        const int widgets0 = QApplication::allWidgets().size();
        for (int i = 0; i < leakClicks; ++i) {
            click(i % 2);
            adapter.clearLog(); // the virtual adapter's own record, not the tool's memory
        }
        click(0);
        std::printf("%-44s %+8.1f MB heap in use, %+.1f MB resident, widgets %d -> %d   (target: no growth)\n",
                    qPrintable(QStringLiteral("leak over %1 clicks").arg(leakClicks)), heapInUseMb() - heap0,
                    rssMb() - rss0, widgets0, QApplication::allWidgets().size());
    }

    // Start-up against a bare Qt window started the same way.
    const int startups = 15;
    const QMap<QString, QVector<double>> startup = startupMs(
        {QStringLiteral("bare"), QStringLiteral("tool"), QStringLiteral("text"), QStringLiteral("plain")}, startups);
    const double bare = medianOfStarts(startup.value(QStringLiteral("bare")));
    const double tool = medianOfStarts(startup.value(QStringLiteral("tool")));
    const double text = medianOfStarts(startup.value(QStringLiteral("text")));
    std::printf("%-44s %8.1f ms %8.1f ms %7.2fx   (about 1.3x is fine)\n",
                qPrintable(QStringLiteral("start -> main window shown (median of %1)").arg(startups)), tool, bare,
                bare > 0 ? tool / bare : 0);
    std::printf("%-44s %8s    %8s    %7.2fx   (the tool over the bare window started next to it)\n",
                "  the same, median of the rounds' ratios", "", "",
                medianRoundRatio(startup.value(QStringLiteral("tool")), startup.value(QStringLiteral("bare"))));
    std::printf("%-44s %8.1f ms %8.1f ms %7.2fx   (the font set-up any text needs)\n",
                qPrintable(QStringLiteral("a bare window with one label (median of %1)").arg(startups)), text, bare,
                bare > 0 ? text / bare : 0);
    const double plain = medianOfStarts(startup.value(QStringLiteral("plain")));
    std::printf("%-44s %8.1f ms %8.1f ms %7.2fx   (the bare window as Qt starts it by default)\n",
                "against the bare window Qt starts by default", tool, plain, plain > 0 ? tool / plain : 0);
    return 0;
}
