#ifndef IODDPACKAGE_H
#define IODDPACKAGE_H

// A vendor's zipped IODD package: which of its files are descriptions, and
// which files go with each one into the library.

#include "archive/zipreader.h"

#include <QCoreApplication>
#include <QVector>

class IoddPackage
{
    Q_DECLARE_TR_FUNCTIONS(IoddPackage)

public:
    struct Description
    {
        ZipReader::File file;            // named by its file name alone
        QVector<ZipReader::File> extras; // its language files and pictures, by file name alone
    };

    // The descriptions among `files` (each ".xml" whose root element is
    // IODevice, in any folder of the archive), each with the language files
    // named after it and the ".png" pictures of its folder. Other files are
    // left out. False, with the reason in *why, when there is none.
    static bool descriptions(const QVector<ZipReader::File> &files, QVector<Description> *out, QString *why);
    // True when `content` is XML whose root element is IODevice.
    static bool isDescription(const QByteArray &content);
};

#endif // IODDPACKAGE_H
