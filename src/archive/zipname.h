#ifndef ZIPNAME_H
#define ZIPNAME_H

// The names of entries in a zip archive, which decide where a file would be
// written: only relative paths made of plain names pass.

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

class ZipName
{
    Q_DECLARE_TR_FUNCTIONS(ZipName)

public:
    // The name as text: UTF-8, or plain ASCII for an archive that does not
    // flag UTF-8; empty with the reason in *why when it is neither.
    static QString decode(const QByteArray &raw, bool utf8Flag, QString *why);
    // True for "a/b/c.xml" (a trailing "/" marks a folder entry); false with
    // the reason in *why for an empty or absolute name, a drive letter, "\",
    // control characters, empty, "." or ".." parts, or a part too long.
    static bool check(const QString &name, QString *why);
    // The last part of a checked name.
    static QString fileName(const QString &name);
    // The folders of a checked name: "a/b" for "a/b/c.xml", "" for "c.xml".
    static QString folder(const QString &name);
};

#endif // ZIPNAME_H
