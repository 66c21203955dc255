// The zip reader on any bytes, with small limits so that each run stays
// quick: it takes the archive or refuses it with a reason, and what it takes
// keeps its limits and has only names that stay below the archive's root.

#include "archive/zipname.h"
#include "archive/zipreader.h"

#include <QByteArray>
#include <QCoreApplication>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static int argc = 1;
    static char name[] = "fuzz-zip";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray archive = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    ZipReader::Limits limits;
    limits.maxEntries = 64;
    limits.maxFileSize = 1 << 20;
    limits.maxTotalSize = 4 << 20;
    QVector<ZipReader::File> files;
    QString why;
    const bool taken = ZipReader::read(archive, &files, &why, limits);
    if (taken == !why.isEmpty() || (!taken && !files.isEmpty()) || files.size() > limits.maxEntries)
        __builtin_trap();
    qint64 total = 0;
    for (const ZipReader::File &file : qAsConst(files)) {
        QString reason;
        if (!ZipName::check(file.name, &reason) || file.name.endsWith(QLatin1Char('/'))
            || file.data.size() > limits.maxFileSize)
            __builtin_trap();
        total += file.data.size();
    }
    if (total > limits.maxTotalSize)
        __builtin_trap();
    return 0;
}
