#ifndef LIBRARYENTRY_H
#define LIBRARYENTRY_H

// What the library dialog and the lookup need of one description file of the
// IODD library, read once per version of the file (size, modification time)
// and kept in the library's index.

#include <QDataStream>
#include <QPair>
#include <QString>
#include <QVector>

struct LibraryEntry
{
    QString folder; // a folder directly inside the library
    QString file;   // the file's name in it
    qint64 size = -1;
    qint64 modified = 0; // ms since the epoch
    // False for a file that could not be read or that the parser refuses:
    // listed, never found by the lookup.
    bool parsed = false;
    // What the dialog lists: the first DeviceIdentity's and DocumentInfo's
    // attribute texts, wherever they are.
    QString vendorId, deviceId, version;
    // The first DeviceIdentity's vendorName, and its product name: the
    // primary-language text of its DeviceName, else of its first variant's
    // Name. Empty when the file has none.
    QString vendorName, productName;
    // What the lookup compares: the (vendorId, deviceId) texts of each
    // DeviceIdentity directly inside ProfileBody directly inside the root,
    // and the releaseDate of the root's DocumentInfo.
    QVector<QPair<QString, QString>> identities;
    QString releaseDate;

    QString path(const QString &libraryDir) const;
    // The dialog's number for an id text: -1 when there is none, 0 when it
    // is not a decimal number.
    static int listedNumber(const QString &text);
    bool sameVersion(qint64 otherSize, qint64 otherModified) const
    {
        return size == otherSize && modified == otherModified;
    }

    // The entry in the library's index file.
    void write(QDataStream &out) const;
    // False when what the stream holds is not an entry this program wrote:
    // cut short, folder or file not a plain name, too many identities.
    static bool read(QDataStream &in, LibraryEntry *entry);
};

namespace LibraryEntries {

// The entry of the file `file` in the folder `folder` of the library; the file
// is read as the description parser reads it, without building its DOM.
LibraryEntry read(const QString &libraryDir, const QString &folder, const QString &file);

} // namespace LibraryEntries

#endif // LIBRARYENTRY_H
