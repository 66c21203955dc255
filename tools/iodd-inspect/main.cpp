// iodd-inspect: prints a parsed IODD device description as JSON.
//
//   iodd-inspect [--std-dir DIR] FILE
//
// Exit status: 0 when the file was read, 1 when it is not well-formed XML
// (the empty records are still printed), 2 when it cannot be opened.
// A description too large to build whole is printed as far as it fits, with
// a note on stderr; the exit status is still 0.

#include "description/ioddfile.h"
#include "description/ioddheaderreader.h"
#include "description/ioddjson.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Keep stderr for real problems only.
    QLoggingCategory::setFilterRules(QStringLiteral("hub8.description.debug=false"));

    QString stdDir;
    QString path;
    QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--std-dir") && i + 1 < args.size()) {
            stdDir = args.at(++i);
        } else if (path.isEmpty() && !args.at(i).startsWith(QLatin1String("--"))) {
            path = args.at(i);
        } else {
            path.clear();
            break;
        }
    }
    if (path.isEmpty()) {
        std::fprintf(stderr, "usage: iodd-inspect [--std-dir DIR] FILE\n");
        return 2;
    }

    IoddHeaderReader header;
    IoddFile file;
    const int opened = header.open(path);
    const int loaded = stdDir.isEmpty() ? file.load(path) : file.load(path, stdDir);
    if (opened != 0 || loaded != 0) {
        std::fprintf(stderr, "iodd-inspect: cannot open %s\n", qPrintable(path));
        return 2;
    }

    const QByteArray json = IoddJson::describe(header, file);
    std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
    if (!file.truncatedNote().isEmpty())
        std::fprintf(stderr, "iodd-inspect: %s: %s\n", qPrintable(path), qPrintable(file.truncatedNote()));
    if (!header.errorString().isEmpty()) {
        std::fprintf(stderr, "iodd-inspect: %s: not well-formed XML: %s\n", qPrintable(path),
                     qPrintable(header.errorString()));
        return 1;
    }
    return 0;
}
