#ifndef ZIPREADER_H
#define ZIPREADER_H

// Reads the files of a zip archive held in memory, all of them or none.
//
// An archive comes from anywhere, so it is read as hostile input: sizes are
// bounded before anything is inflated (per file, in total, number of
// entries), an inflated file must have exactly the size and CRC the archive
// declares, and names must be relative paths that stay below the archive's
// root (see ZipName). Refused with one reason: encrypted entries, methods
// other than stored and deflate, symbolic links and other special files,
// duplicate names (ignoring case), entries that overlap or lie outside the
// archive, multi-part archives and Zip64. Folder entries are left out.

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QVector>

class ZipReader
{
    Q_DECLARE_TR_FUNCTIONS(ZipReader)

public:
    struct Limits
    {
        int maxEntries = 1000;
        qint64 maxFileSize = 32 * 1024 * 1024;  // one file, inflated
        qint64 maxTotalSize = 64 * 1024 * 1024; // all files, inflated
    };
    struct File
    {
        QString name; // "dir/sub/file.xml", checked by ZipName::check
        QByteArray data;
    };

    // The files of `archive` in the order of its central directory; false,
    // with the reason in *why and *files untouched, when any entry is refused.
    static bool read(const QByteArray &archive, QVector<File> *files, QString *why, const Limits &limits);
    static bool read(const QByteArray &archive, QVector<File> *files, QString *why)
    {
        return read(archive, files, why, Limits());
    }
};

#endif // ZIPREADER_H
