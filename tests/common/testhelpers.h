#ifndef TESTHELPERS_H
#define TESTHELPERS_H

// What many tests need: byte vectors written in hex, files written and read
// back, the built-in description beside the test executable, and the folder of
// device makers' IODD files.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <cctype>

// Only tests that link the description library see its header.
#if __has_include("description/builtindescription.h")
#include "description/builtindescription.h"
#define HUB8_TEST_BUILTIN_DESCRIPTION 1
#endif

namespace TestHelpers {

// "01 03 90 00" or "01039000" as bytes; whitespace between digits is ignored.
// Anything else aborts the run: QByteArray::fromHex would silently skip a
// mistyped digit and shift every nibble after it.
inline QByteArray hex(const char *text)
{
    const QByteArray digits = QByteArray(text).simplified().replace(' ', "");
    for (const char c : digits)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            qFatal("hex(\"%s\"): '%c' is not a hex digit", text, c);
    if (digits.size() % 2)
        qFatal("hex(\"%s\"): odd number of digits", text);
    return QByteArray::fromHex(digits);
}

// Writes data to path, making the folders on the way.
inline bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly)
        && file.write(data) == data.size();
}

// Writes data to `name` in `dir`; the path, or an empty one when the write failed.
inline QString writtenIn(const QTemporaryDir &dir, const QString &name, const QByteArray &data)
{
    const QString path = dir.filePath(name);
    return writeFile(path, data) ? path : QString();
}

// The file's content; empty when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

#ifdef HUB8_TEST_BUILTIN_DESCRIPTION
// The built-in description where the build puts it beside the test executable.
inline QString builtinDescriptionPath()
{
    return BuiltinDescription::pathIn(QCoreApplication::applicationDirPath());
}
#endif

// Given only to tests registered with CORPUS (tests/CMakeLists.txt), which
// CTest reports as skipped when every case skipped.
#ifdef HUB8_CORPUS_DIR
inline QString corpusDir()
{
    return QStringLiteral(HUB8_CORPUS_DIR);
}
inline bool corpusPresent()
{
    return QFileInfo(corpusDir()).isDir();
}
#endif

} // namespace TestHelpers

#endif // TESTHELPERS_H
