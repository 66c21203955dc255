// What a library of thousands of descriptions costs the tool, each figure
// against the same with a small library (the built-in description and the
// one file the device needs):
//
//   bench-library [--count N] [--runs N] [--library DIR]
//
// - the first build of the library's index (no saved index): its time, the
//   longest the event loop of this (the GUI) thread waited meanwhile, and
//   the progress reports it gave;
// - start-up: this program started again as the tool's window, from process
//   start to its first paint, and on to the library's entries being known;
// - the first click of a new window (its index saved by an earlier run):
//   Port2, whose device is described by one file of the library, clicked as
//   soon as the adapter has answered, until its parameter page is built;
// - the library dialog opened until it has painted, and a search in it.
//
// The library is made from the IODD corpus, each file in turn with its first
// DeviceIdentity given a device id of its own, one folder per file
// (N = 10 000 by default). --library DIR keeps it there for the next run.

#include "app/mainwindow.h"
#include "app/toolmain.h"
#include "defaultsetup.h"
#include "description/builtindescription.h"
#include "library/ioddlibrarydialog.h"
#include "library/ioddlibraryfolder.h"
#include "library/libraryindex.h"
#include "link/portstatusmonitor.h"
#include "params/parameterpage.h"
#include "protocol/adapterregisters.h"
#include "scenario.h"
#include "variantanswer.h"
#include "virtualadapter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

double median(QVector<double> v)
{
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

// Runs the event loop until `done` or `ms` have passed; false on the timeout.
template <typename F>
bool spinUntil(F done, int ms = 30000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

QStringList corpusDescriptions()
{
    QStringList files;
    QDirIterator it(QStringLiteral(HUB8_DEFAULT_CORPUS_DIR), {QStringLiteral("*.xml")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.peek(1 << 20).contains("<ProfileBody"))
            files << path;
    }
    files.sort();
    return files;
}

// Writes corpus file `source` into `library` with device id `deviceId`, in a
// folder named as the dialog names it; the path written, empty on failure.
QString writeDescription(const QString &library, const QString &source, quint32 deviceId, int number)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return QString();
    QString text = QString::fromUtf8(in.readAll());
    static const QRegularExpression identity(QStringLiteral("(<DeviceIdentity[^>]*?deviceId\\s*=\\s*\")[^\"]*\""));
    const QRegularExpressionMatch match = identity.match(text);
    if (!match.hasMatch())
        return QString();
    text.replace(match.capturedStart(), match.capturedLength(),
                 match.captured(1) + QString::number(deviceId) + QLatin1Char('"'));
    static const QRegularExpression vendor(QStringLiteral("<DeviceIdentity[^>]*?vendorId\\s*=\\s*\"([^\"]*)\""));
    const QString vendorId = vendor.match(text).captured(1);
    const QString fileName = QFileInfo(source).completeBaseName() + QStringLiteral("-%1.xml").arg(number);
    const QString folder = library + QLatin1Char('/')
        + IoddLibrary::folderName(vendorId, QString::number(deviceId), QStringLiteral("V1"), fileName);
    QFile out(folder + QLatin1Char('/') + fileName);
    if (!QDir().mkpath(folder) || !out.open(QIODevice::WriteOnly) || out.write(text.toUtf8()) < 0)
        return QString();
    return out.fileName();
}

bool copyBuiltin(const QString &library)
{
    const QString from = QCoreApplication::applicationDirPath() + QLatin1Char('/')
        + QFileInfo(QLatin1String(BuiltinDescription::relativePath)).path();
    const QString to = library + QLatin1Char('/') + QLatin1String(BuiltinDescription::folderName);
    QDir().mkpath(to);
    for (const QFileInfo &f : QDir(from).entryInfoList(QDir::Files))
        QFile::copy(f.filePath(), to + QLatin1Char('/') + f.fileName());
    return QFileInfo::exists(to);
}

constexpr quint32 firstDeviceId = 0x800000;

// The library of `count` descriptions in `dir` (made unless it is there),
// and the small one beside it; the path of the file Port2's device is made
// from, which both hold.
QString makeLibraries(const QString &dir, int count, const QString &small)
{
    const QStringList corpus = corpusDescriptions();
    if (corpus.isEmpty())
        return QString();
    const int device = count / 2;
    const QString marker = dir + QStringLiteral("/.made-%1").arg(count);
    QString devicePath;
    if (!QFileInfo::exists(marker)) {
        QDir(dir).removeRecursively();
        std::printf("making a library of %d descriptions in %s ...\n", count, qPrintable(dir));
        std::fflush(stdout);
        for (int i = 0; i < count; ++i) {
            if (writeDescription(dir, corpus.at(i % corpus.size()), firstDeviceId + quint32(i), i).isEmpty()) {
                std::fprintf(stderr, "bench-library: cannot write description %d\n", i);
                return QString();
            }
        }
        copyBuiltin(dir);
        QFile(marker).open(QIODevice::WriteOnly);
    }
    copyBuiltin(small);
    devicePath = writeDescription(small, corpus.at(device % corpus.size()), firstDeviceId + quint32(device), device);
    return devicePath;
}

// The longest wait of this thread's event loop while it runs.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            m_worst = std::max(m_worst, m_since.nsecsElapsed() / 1e6 - 5);
            m_since.restart();
        });
        m_since.start();
        m_timer.start();
    }
    double worstMs() const { return m_worst; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    double m_worst = 0;
};

// Start-up child: prints "shown" at the window's first paint and "known"
// once the library's entries are, then leaves.
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_shown) {
            m_shown = true;
            std::printf("shown\n");
            std::fflush(stdout);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_shown = false;
};

int runChild(const QString &library, const QString &indexFile)
{
    FirstPaint watcher;
    MainWindow window;
    window.setIoddLibraryDir(library, indexFile);
    window.installEventFilter(&watcher);
    QObject::connect(window.libraryIndex(), &LibraryIndex::changed, [] {
        std::printf("known\n");
        std::fflush(stdout);
        std::_Exit(0);
    });
    startMainWindow(window, [] { applyDefaultSetup(VirtualAdapter::instance()); });
    return QApplication::exec();
}

// Ms from starting the child to its "shown" and its "known" lines.
QPair<double, double> startupMs(const QString &library, const QString &indexFile)
{
    QProcess child;
    QElapsedTimer clock;
    clock.start();
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), library, indexFile});
    double shown = -1, known = -1;
    while (known < 0 && child.waitForReadyRead(30000)) {
        while (child.canReadLine()) {
            const QByteArray line = child.readLine().trimmed();
            (line == "shown" ? shown : known) = clock.nsecsElapsed() / 1e6;
        }
    }
    child.waitForFinished(5000);
    return {shown, known};
}

struct WindowFigures
{
    double clickMs = -1, dialogMs = -1, searchMs = -1;
};

// A new window on `library` (its index saved in `indexFile`): Port2 clicked as
// soon as the adapter has answered, then the library dialog and a search.
WindowFigures windowFigures(const QString &library, const QString &indexFile, const QString &search)
{
    WindowFigures out;
    VariantAnswer variants;
    qApp->installEventFilter(&variants);
    MainWindow window;
    window.setIoddLibraryDir(library, indexFile);
    window.initPorts(AdapterRegisters::portCount);
    window.show();
    if (!spinUntil([&] { return window.portMonitor()->adapterAnswers(); }))
        return out;
    auto *tree = window.findChild<QTreeWidget *>(QStringLiteral("treeWidget"));
    QElapsedTimer clock;
    clock.start();
    window.onPortClicked(tree->topLevelItem(1), 0);
    if (spinUntil([&] { return window.findChild<ParameterPage *>() != nullptr; }))
        out.clickMs = clock.nsecsElapsed() / 1e6 - variants.dialogMs();
    qApp->removeEventFilter(&variants);
    spinUntil([&] { return !window.libraryIndex()->isBusy(); });

    clock.restart();
    {
        IoddLibraryDialog dialog(window.libraryIndex(), &window);
        dialog.show();
        QCoreApplication::processEvents();
        out.dialogMs = clock.nsecsElapsed() / 1e6;
        dialog.findChild<QLineEdit *>(QStringLiteral("edit_search"))->setText(search);
        clock.restart();
        dialog.findChild<QPushButton *>(QStringLiteral("pbtn_search"))->click();
        QCoreApplication::processEvents();
        out.searchMs = clock.nsecsElapsed() / 1e6;
        spinUntil([&] { return !window.libraryIndex()->isBusy(); });
    }
    return out;
}

void printRow(const char *what, double full, double small, const char *target)
{
    std::printf("%-46s %9.1f ms %9.1f ms %6.2fx   %s\n", what, full, small, small > 0 ? full / small : 0.0, target);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    setPlatformDefaults();
    QApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--child")
        return runChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption countOption(QStringLiteral("count"), QStringLiteral("Descriptions in the library."),
                                         QStringLiteral("N"), QStringLiteral("10000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Rounds of each measurement."),
                                        QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption libraryOption(QStringLiteral("library"),
                                           QStringLiteral("Where the large library is made (and kept)."),
                                           QStringLiteral("DIR"));
    parser.addOptions({countOption, runsOption, libraryOption});
    parser.process(app);
    const int count = qMax(1, parser.value(countOption).toInt());
    const int runs = qMax(1, parser.value(runsOption).toInt());

    QTemporaryDir work;
    const QString full = parser.isSet(libraryOption) ? QFileInfo(parser.value(libraryOption)).absoluteFilePath()
                                                     : work.filePath(QStringLiteral("full"));
    const QString small = work.filePath(QStringLiteral("small"));
    const QString fullIndex = work.filePath(QStringLiteral("full-index"));
    const QString smallIndex = work.filePath(QStringLiteral("small-index"));
    QDir().mkpath(full);
    QElapsedTimer making;
    making.start();
    const QString deviceFile = makeLibraries(full, count, small);
    const double makingSeconds = making.elapsed() / 1000.0;
    if (deviceFile.isEmpty()) {
        std::fprintf(stderr, "bench-library: no library made (is the IODD corpus at %s?)\n", HUB8_DEFAULT_CORPUS_DIR);
        return 1;
    }
    VirtualAdapter &adapter = VirtualAdapter::instance();
    applyDefaultSetup(adapter);
    QString error;
    const QByteArray scenario =
        QStringLiteral(
            R"({"isduLatencyMs": 0, "ports": {"Port2": {"mode": "iolink", "device": {"type": "iodd", "file": "%1"}}}})")
            .arg(deviceFile)
            .toUtf8();
    if (!applyScenarioJson(scenario, adapter, &error)) {
        std::fprintf(stderr, "bench-library: %s\n", qPrintable(error));
        return 1;
    }

    // The first index build, for both libraries, without a saved index.
    struct Build
    {
        double ms = 0, stallMs = 0;
        int reports = 0, entries = 0;
    };
    const auto build = [](const QString &library, const QString &indexFile) {
        QFile::remove(indexFile);
        Build b;
        StallMeter stalls;
        LibraryIndex index(library, indexFile);
        QObject::connect(&index, &LibraryIndex::progress, [&b](int, int) { ++b.reports; });
        QElapsedTimer clock;
        clock.start();
        index.refresh();
        spinUntil([&] { return !index.isBusy(); }, 600000);
        b.ms = clock.nsecsElapsed() / 1e6;
        b.stallMs = stalls.worstMs();
        b.entries = index.entries().size();
        return b;
    };
    const Build fullBuild = build(full, fullIndex);
    const Build smallBuild = build(small, smallIndex);
    std::printf("library: %d descriptions (%d entries); small library: %d entries\n", count, fullBuild.entries,
                smallBuild.entries);
    std::printf("index file: %.1f MB\nplatform: %s\n\n", QFileInfo(fullIndex).size() / 1e6,
                qPrintable(QGuiApplication::platformName()));
    std::printf("%-46s %12s %12s %7s\n", "what", "large", "small", "ratio");
    printRow("first index build (off the GUI thread)", fullBuild.ms, smallBuild.ms, "");
    std::printf("%-46s %9.1f ms %9.1f ms            (%d progress reports)\n", "  longest GUI event-loop wait meanwhile",
                fullBuild.stallMs, smallBuild.stallMs, fullBuild.reports);

    QVector<double> shownFull, shownSmall, knownFull, knownSmall;
    QVector<double> clickFull, clickSmall, dialogFull, dialogSmall, searchFull, searchSmall;
    const QString search = QString::number(firstDeviceId + quint32(count / 2));
    for (int i = 0; i < runs; ++i) {
        const QPair<double, double> f = startupMs(full, fullIndex), s = startupMs(small, smallIndex);
        shownFull << f.first, knownFull << f.second, shownSmall << s.first, knownSmall << s.second;
        const WindowFigures wf = windowFigures(full, fullIndex, search);
        const WindowFigures ws = windowFigures(small, smallIndex, search);
        clickFull << wf.clickMs, clickSmall << ws.clickMs;
        dialogFull << wf.dialogMs, dialogSmall << ws.dialogMs;
        searchFull << wf.searchMs, searchSmall << ws.searchMs;
    }
    std::printf("(medians of %d rounds, the index saved)\n", runs);
    printRow("start -> window shown", median(shownFull), median(shownSmall), "(target <= 1.2x)");
    printRow("start -> library entries known", median(knownFull), median(knownSmall), "");
    printRow("first click Port2 -> parameter page built", median(clickFull), median(clickSmall), "(target <= 200 ms)");
    printRow("library dialog opened -> painted", median(dialogFull), median(dialogSmall), "(target <= 1.2x)");
    printRow("search by device id -> painted", median(searchFull), median(searchSmall), "");
    std::printf("(making the library: %.1f s)\n", makingSeconds);
    return 0;
}
