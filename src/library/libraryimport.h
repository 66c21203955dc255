#ifndef LIBRARYIMPORT_H
#define LIBRARYIMPORT_H

// What the library dialog's add puts into the IODD library: one new folder
// per description, named IoddLibrary::folderName, holding the description
// and the files that go with it. From an IODD file, those are the pictures
// it names that lie beside it; from a vendor's zipped package (".zip"),
// every description in it with its language files and pictures.
//
// Planning reads and checks everything first; writing then makes every
// folder or, when anything fails, removes what it made. Nothing is written
// outside the library: folder and file names are plain names, and an
// existing folder or link is never written into.

#include "libraryentry.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>

class LibraryImport
{
    Q_DECLARE_TR_FUNCTIONS(LibraryImport)

public:
    struct File
    {
        QString name;
        QByteArray data;
    };
    struct Folder
    {
        QString name;        // the folder's name in the library
        QString description; // the description's file name in it
        QVector<File> files; // the description first
    };

    // The folders the file at `path` makes; false, with the reason in *why,
    // when it is refused: unreadable, a damaged or hostile package, a
    // description without valid ids or with a file name the library lists
    // already (`listed`) or the package holds twice.
    static bool plan(const QString &path, const QVector<LibraryEntry> &listed, QVector<Folder> *folders, QString *why);
    // Writes the folders into the library, which is made (one level) when
    // missing: all of them, or none with the reason in *why.
    static bool write(const QString &libraryDir, const QVector<Folder> &folders, QString *why);

private:
    static bool planFile(const QString &path, QVector<Folder> *folders, QString *why);
    static bool planPackage(const QString &path, QVector<Folder> *folders, QString *why);
    // The folder of one description, its ids read from `content`; the
    // pictures it names into *pictures (when given).
    static bool planFolder(const QString &fileName, const QByteArray &content, Folder *folder, QString *why,
                           QStringList *pictures = nullptr);
};

#endif // LIBRARYIMPORT_H
