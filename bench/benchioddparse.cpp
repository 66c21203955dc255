// Times what a port selection parses from an IODD file: the header and
// identity, the description with standard definitions, variants, the three
// role menu sets and process data in and out.
//
//   bench-iodd-parse [CORPUS_DIR] [--runs N] [--std-dir DIR]
//
// Every IODD under CORPUS_DIR (the std/ folder skipped) and the built-in
// descriptions under <bin>/iodd are measured twice: with the id index of the
// parsers switched off (plain DOM scans) and on. Prints the median
// milliseconds per file, the file size and the peak resident memory.

#include "description/ioddfile.h"
#include "description/ioddheaderreader.h"
#include "description/ioddindex.h"
#include "description/ioddjson.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringList>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QStringList ioddFiles(const QString &dir, bool skipStd)
{
    QStringList files;
    QDirIterator it(dir, {QStringLiteral("*.xml")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = QDir(dir).relativeFilePath(path);
        if (skipStd && (rel.startsWith(QLatin1String("std/"))))
            continue;
        files.append(path);
    }
    files.sort();
    return files;
}

// One port selection's worth of parsing; returns a count of what was built
// so the work cannot be optimised away.
int parseOnce(const QString &path, const QString &stdDir)
{
    int built = 0;
    IoddHeaderReader header;
    header.open(path);
    built += header.readDeviceInfo().vendorId.size();
    IoddFile file;
    if (stdDir.isEmpty())
        file.load(path);
    else
        file.load(path, stdDir);
    built += file.readVariants().size();
    for (const char *set : IoddJson::roleMenuSets)
        built += file.roleMenus(QString::fromLatin1(set)).size();
    built += file.processDataIn().values.size();
    built += file.processDataOut().values.size();
    return built;
}

double medianMs(const QString &path, const QString &stdDir, int runs, int *sink)
{
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        *sink += parseOnce(path, stdDir);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("hub8.description.debug=false"));

    QString corpus = QStringLiteral(HUB8_DEFAULT_CORPUS_DIR);
    QString stdDir;
    int runs = 7;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args.at(++i).toInt());
        else if (args.at(i) == QLatin1String("--std-dir") && i + 1 < args.size())
            stdDir = args.at(++i);
        else
            corpus = args.at(i);
    }
    // The corpus carries standard definitions; without them the built-in
    // ones beside the executable are used.
    if (stdDir.isEmpty() && QFileInfo::exists(corpus + QStringLiteral("/std/std1.1")))
        stdDir = corpus + QStringLiteral("/std");

    QStringList files = ioddFiles(corpus, true);
    files += ioddFiles(QCoreApplication::applicationDirPath() + QStringLiteral("/iodd"), false);
    if (files.isEmpty()) {
        std::fprintf(stderr, "bench-iodd-parse: no IODD files under %s\n", qPrintable(corpus));
        return 1;
    }

    std::printf("runs per file: %d, standard definitions: %s\n", runs,
                stdDir.isEmpty() ? "beside the executable" : qPrintable(stdDir));
    std::printf("%10s %12s %12s %10s  %s\n", "bytes", "scan ms", "indexed ms", "peak KB", "file");
    int sink = 0;
    qint64 largestSize = -1;
    QString largest;
    double largestScan = 0;
    double largestIndexed = 0;
    for (const QString &path : files) {
        IoddIndex::setEnabled(false);
        const double scan = medianMs(path, stdDir, runs, &sink);
        IoddIndex::setEnabled(true);
        const double indexed = medianMs(path, stdDir, runs, &sink);
        const qint64 size = QFileInfo(path).size();
        std::printf("%10lld %12.2f %12.2f %10ld  %s\n", static_cast<long long>(size), scan, indexed, peakRssKb(),
                    qPrintable(QDir(corpus).relativeFilePath(path)));
        if (size > largestSize) {
            largestSize = size;
            largest = path;
            largestScan = scan;
            largestIndexed = indexed;
        }
    }
    std::printf("largest: %s (%lld bytes): scan %.2f ms, indexed %.2f ms; peak RSS %ld KB (checksum %d)\n",
                qPrintable(QFileInfo(largest).fileName()), static_cast<long long>(largestSize), largestScan,
                largestIndexed, peakRssKb(), sink);
    return 0;
}
