// The IODD parsers on any bytes, the way iodd-inspect reads a file: the
// identity, the variants, every role menu set, the process data and the JSON.

#include "description/ioddfile.h"
#include "description/ioddheaderreader.h"
#include "description/ioddjson.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdint>

namespace {
QString inputFile;
QString stdDir;
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static int argc = 1;
    static char name[] = "fuzz-iodd";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    QLoggingCategory::setFilterRules(QStringLiteral("hub8.*=false"));
    inputFile = dir.filePath(QStringLiteral("input.xml"));
    stdDir = QStringLiteral(HUB8_SOURCE_DIR "/data/std");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QFile file(inputFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    IoddHeaderReader header;
    IoddFile description;
    header.open(inputFile);
    description.load(inputFile, stdDir);
    const QByteArray json = IoddJson::describe(header, description);
    return json.isEmpty() ? 0 : 0;
}
